// The page model's rules, value by value: each page's own texts pass, a
// neighbour's texts and over-long or malformed ones fail, and the storage
// rules give what the page stores.
#include "pages/page_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "config/config_layout.h"

namespace {

struct RuleCase {
  const char* name;  // the value's key for scripts
  std::vector<std::string> pass;
  std::vector<std::string> fail;
};

const std::string kNineChars = "ABCDEFGHI";
const std::string kLongSerial(256, 'S');

const RuleCase kCases[] = {
    {"printer.port", {" ", "/dev/ttyS10", "/dev/ttyS11", "/dev/ttyS12"},
     {"", "None", "/dev/ttyS15", "/dev/ttyS20", "/dev/ttyS10 ", "/bin/sh"}},
    {"cash-drawer.port", {" ", "/dev/ttyS15", "/dev/ttyS17"}, {"/dev/ttyS10", "/dev/ttyS18"}},
    {"line-display.port", {" ", "/dev/ttyS18", "/dev/ttyS19"}, {"/dev/ttyS17", "/dev/ttyS20"}},
    {"msr.port", {" ", "/dev/ttyS20", "/dev/ttyS21"}, {"/dev/ttyS19", "/dev/ttyS12"}},
    {"printer.code-page", {"-1", "0", "29"}, {"30", "-2", "01", "-0", "1x", " 1", "", "+1"}},
    {"printer.emulation-mode", {"-1", "0", "3"}, {"4", "native"}},
    {"printer.unsolicited-status", {"1", "0"}, {"true", "01", "", "1 "}},
    {"printer.product-id", {"", "0a02", "ffff"}, {"0A02", "a02", "0a021", "0x0a", "ghij"}},
    {"cash-drawer.drawer2-serial-number", {"", "CD-B2", std::string(255, 'S'), "a?b"},
     {kLongSerial, "tab\there", "\xc3\xa9", "x\x7f"}},
    {"msr.cr-enabled", {"1", "0"}, {"true", "false"}},
    {"msr.track1-start-sentinel", {"%", ";", "\xc3\xa9"}, {"", " ", "%%", "\t", "\x01"}},
    {"msr.head-wrapper", {"", "T<&>", "12345678", "\xc3\xa9\xc3\xa9"},
     {kNineChars, "two\nlines", "   ", "\x01"}},
    {"msr.tail-wrapper-enabled", {"1", "0"}, {"on"}},
    {"logging.level", {"-1", "0", "5"}, {"6", "info"}},
    {"logging.module-cd", {"true", "false"}, {"1", "0", "True", "TRUE"}},
};

TEST(PageModel, EachValueTakesExactlyWhatItsPageWrites) {
  for (const RuleCase& c : kCases) {
    const HLQStoredValue* value = HLQ_FindStoredValueNamed(c.name);
    ASSERT_NE(value, nullptr) << c.name;
    for (const std::string& text : c.pass)
      EXPECT_EQ(HLQ_RefusalOfStoredText(*value, text.c_str()), "") << c.name << " \"" << text << '"';
    for (const std::string& text : c.fail)
      EXPECT_NE(HLQ_RefusalOfStoredText(*value, text.c_str()), "")
          << c.name << " accepted \"" << text << '"';
  }
}

TEST(PageModel, OneEntryPerStoredValueAndEveryNameFindsIt) {
  std::set<std::string> names, addresses;
  for (const HLQStoredValue& value : HLQ_StoredValues()) {
    const std::string address = std::string(value.file) + "/" + value.section + "/" + value.key +
                                "@" + (value.attribute ? value.attribute : "");
    EXPECT_TRUE(addresses.insert(address).second) << address;
    EXPECT_EQ(HLQ_FindStoredValue(value.file, value.section, value.key, value.attribute), &value);
    if (!value.name) continue;
    EXPECT_TRUE(names.insert(value.name).second) << value.name;
    EXPECT_EQ(HLQ_FindStoredValueNamed(value.name), &value);
    EXPECT_EQ(std::string(value.name).rfind(HLQ_PageName(value.page), 0), 0u) << value.name;
    EXPECT_STREQ(value.file, HLQ_PageFile(value.page)) << value.name;
  }
  // 4 ports, 3 printer keys, 12 device attributes, 19 MSR keys, 6 logging keys.
  EXPECT_EQ(HLQ_StoredValues().size(), 4u + 3u + 12u + 19u + 6u);
  EXPECT_EQ(HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PORTS, kwn::MSR_USB, kwn::ATTR_PID),
            nullptr);
  EXPECT_EQ(HLQ_FindStoredValue(HLQ_LOGGING_FILE_NAME, kwn::PORTS, kwn::LD_USB, nullptr), nullptr);
}

TEST(PageModel, StorageRulesGiveWhatThePageStores) {
  const HLQStoredValue& end = *HLQ_FindStoredValueNamed("msr.end-sentinel");
  EXPECT_EQ(HLQ_SentinelToStore(end, ""), "?");
  EXPECT_EQ(HLQ_SentinelToStore(end, " "), "?");
  EXPECT_EQ(HLQ_SentinelToStore(end, "#"), "#");
  const HLQStoredValue& pid = *HLQ_FindStoredValueNamed("line-display.product-id");
  EXPECT_EQ(HLQ_TypedTextToStore(pid, "0A1B"), "0a1b");
  EXPECT_EQ(HLQ_RefusalOfStoredText(pid, HLQ_TypedTextToStore(pid, "0A1B").c_str()), "");

  const HLQWrapperTexts on = HLQ_WrapperToStore("AB", true);
  EXPECT_EQ((std::vector<std::string>{on.active, on.keptAside, on.flag}),
            (std::vector<std::string>{"AB", "", "1"}));
  const HLQWrapperTexts off = HLQ_WrapperToStore("AB", false);
  EXPECT_EQ((std::vector<std::string>{off.active, off.keptAside, off.flag}),
            (std::vector<std::string>{"", "AB", "0"}));
  const std::string active = "A", kept = "K";
  EXPECT_EQ(HLQ_WrapperShown(&active, &kept, true), "A");
  EXPECT_EQ(HLQ_WrapperShown(&active, &kept, false), "K");
  EXPECT_EQ(HLQ_WrapperShown(nullptr, &kept, true), "K");
}

}  // namespace

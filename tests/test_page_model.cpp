// The page model's rules, value by value: each page's own texts pass, a
// neighbour's texts and over-long or malformed ones fail, and the storage
// rules give what the page stores.
#include "model/page_model.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_layout.h"
#include "model/page_values.h"
#include "model/value_changes.h"

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
      EXPECT_TRUE(HLQ_CheckStoredText(*value, text.c_str(), nullptr)) << c.name << " \"" << text << '"';
    for (const std::string& text : c.fail)
      EXPECT_FALSE(HLQ_CheckStoredText(*value, text.c_str(), nullptr))
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
  EXPECT_EQ(HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PORTS, kwn::MSR_USB, kwn::ATTR_PID),
            nullptr);
  EXPECT_EQ(HLQ_FindStoredValue(HLQ_LOGGING_FILE_NAME, kwn::PORTS, kwn::LD_USB, nullptr), nullptr);
}

// The daemon's files must hold every element the tool edits, and the
// sample files are what the package ships as such: each holds exactly the
// elements of the model's values of its file (a key added to the model but
// not to the sample, or the other way round, fails here).
TEST(PageModel, TheSampleFilesHoldExactlyTheModelsElements) {
  for (const auto& [file, sample] : {std::pair{HLQ_DEVICE_FILE_NAME, "KWNConfig.xml"},
                                     std::pair{HLQ_LOGGING_FILE_NAME, "KWNLogging.xml"}}) {
    SCOPED_TRACE(sample);
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile((std::string(HLQ_SOURCE_DIR "/data/") + sample).c_str()),
              tinyxml2::XML_SUCCESS);
    std::set<std::string> held, modelled;
    for (auto* section = doc.RootElement()->FirstChildElement(); section;
         section = section->NextSiblingElement())
      for (auto* key = section->FirstChildElement(); key; key = key->NextSiblingElement())
        held.insert(std::string(section->Name()) + "/" + key->Name());
    for (const HLQStoredValue& value : HLQ_StoredValues())
      if (std::string(value.file) == file && !value.attribute)
        modelled.insert(std::string(value.section) + "/" + value.key);
    EXPECT_EQ(held, modelled);
  }
}

TEST(PageModel, StorageRulesGiveWhatThePageStores) {
  const HLQStoredValue& end = *HLQ_FindStoredValueNamed("msr.end-sentinel");
  EXPECT_EQ(HLQ_SentinelToStore(end, ""), "?");
  EXPECT_EQ(HLQ_SentinelToStore(end, " "), "?");
  EXPECT_EQ(HLQ_SentinelToStore(end, "#"), "#");
  const HLQStoredValue& pid = *HLQ_FindStoredValueNamed("line-display.product-id");
  EXPECT_EQ(HLQ_TypedTextToStore(pid, "0A1B"), "0a1b");
  EXPECT_TRUE(HLQ_CheckStoredText(pid, HLQ_TypedTextToStore(pid, "0A1B").c_str(), nullptr));

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

// Planning a command line's values against stored texts: a foreign port
// given as shown changes nothing; the code page is named in the list of
// the emulation mode it will be stored with; a wrapper's flag alone moves
// its text; one refused value is reported as such.
TEST(PageModel, PlannedChangesFollowThePagesRules) {
  HLQStoredTexts texts;
  for (const HLQStoredValue& value : HLQ_StoredValues()) texts.values[&value].text = "0";
  auto set = [&](const char* name, const char* text) {
    texts.values[HLQ_FindStoredValueNamed(name)].text = text;
  };
  set("printer.port", "/dev/ttyS13");
  set("msr.head-wrapper", "");
  texts.values[HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::MSR, kwn::HEAD_WRAPPER_BK,
                                   nullptr)].text = "AB";
  auto given = [](const char* name, const char* text) {
    HLQGivenValue value;
    value.text = text;
    return HLQValueRequest{HLQ_FindStoredValueNamed(name), value};
  };
  HLQCodepageLists codepages;
  const HLQChangePlan plan = HLQ_PlanChanges(
      {given("printer.port", "/dev/ttyS13"), given("printer.code-page", "Generic"),
       given("printer.emulation-mode", "line-mode"), given("msr.head-wrapper-enabled", "yes"),
       given("msr.track1-enabled", "maybe")},
      texts, &codepages);
  ASSERT_EQ(plan.values.size(), 5u);
  EXPECT_TRUE(plan.values[0].writes.empty() && plan.values[0].refused.empty());
  EXPECT_EQ(plan.values[1].after.text, "Generic");
  EXPECT_EQ(plan.values[4].refused.empty(), false);
  std::set<std::string> written;
  for (const HLQPlannedWrite& write : plan.writes)
    written.insert(std::string(write.stored->key) + "=" + write.text);
  EXPECT_EQ(written, (std::set<std::string>{"Code_Page=5", "Emulation_Mode=3", "Head_Wrapper=AB",
                                            "Head_Wrapper_Bk=", "Head_Wrapper_Chbx=1"}));
}

// The command line's manual page, as built for installing, names every key
// and every choice, as groff writes them (a hyphen as "\-").
TEST(PageModel, TheCommandLinesManualPageNamesEveryKeyAndChoice) {
  std::ifstream file(HLQ_MANUAL_PAGE);
  std::stringstream page;
  page << file.rdbuf();
  auto inGroff = [](std::string text) {
    for (size_t at = text.find('-'); at != std::string::npos; at = text.find('-', at + 2))
      text.replace(at, 1, "\\-");
    return text;
  };
  ASSERT_FALSE(page.str().empty());
  for (const HLQStoredValue* value : HLQ_NamedValues()) {
    EXPECT_NE(page.str().find(inGroff(value->name)), std::string::npos) << value->name;
    for (const std::string& choice : HLQ_ValueChoices(*value))
      EXPECT_NE(page.str().find(inGroff(choice)), std::string::npos) << value->name << " " << choice;
  }
}

}  // namespace

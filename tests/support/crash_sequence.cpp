#include "tests/support/crash_sequence.h"

#include "config/config_layout.h"

namespace {

// Old and new values differ in length, so that a torn or mixed file cannot
// pass for a whole one; some need escaping, one is long enough to make the
// file grow by a good part of a disk block.
const char kLongTail[] =
    "<ETX>&<CR><LF> tail wrapper long enough to move the rest of the file by a few hundred bytes: "
    "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890"
    "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890";

const CrashWriteItem kItems[] = {
    {kwn::PORTS, kwn::LD_USB, nullptr, "/dev/ttyS18", "/dev/ttyS19"},
    {kwn::PORTS, kwn::LD_USB, kwn::ATTR_PID, "0c01", "0c2f"},
    {kwn::PORTS, kwn::LD_USB, kwn::ATTR_SERIAL, "", "LD-\xc3\x9f-0042 \"quoted\""},
    {kwn::PRINTER, kwn::CODE_PAGE, nullptr, "0", "17"},
    {kwn::MSR, kwn::HEAD_WRAPPER, nullptr, "", "<STX>&amp;"},
    {kwn::MSR, kwn::TAIL_WRAPPER, nullptr, "", kLongTail},
    {kwn::MSR, kwn::TRACK1_START_SENTINEL, nullptr, "%", "#"},
};

}  // namespace

const CrashWriteItem& HLQCrash_Item(size_t index) { return kItems[index]; }

size_t HLQCrash_ItemCount() { return sizeof kItems / sizeof kItems[0]; }

const char* HLQCrash_ValueAfter(size_t index, uint64_t done) {
  uint64_t count = HLQCrash_ItemCount();
  uint64_t writesOfItem = done / count + (index < done % count ? 1 : 0);
  return writesOfItem % 2 == 1 ? kItems[index].newValue : kItems[index].oldValue;
}

WriteResult HLQCrash_Write(HXMLWRAPPER config, const char* file, uint64_t n) {
  size_t index = n % HLQCrash_ItemCount();
  const CrashWriteItem& item = kItems[index];
  const char* value = HLQCrash_ValueAfter(index, n + 1);
  if (item.attribute)
    return xmlwrapper_WriteXMLNodeProperty(config, file, item.section, item.key, item.attribute,
                                           value);
  return xmlwrapper_WriteXMLNodeValue(config, file, item.section, item.key, value);
}

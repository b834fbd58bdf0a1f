// Fuzzes the mapping between stored port texts and port selector positions
// with any text: a position is always 0 to 3, only a selector's own item maps
// to a position other than "None", and what a page stores for a selector's
// item maps back to that item.
#include "devices/port_mapping.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

// The items of the four port selectors, in the window's order.
const char* const kSelectors[4][4] = {
    {"None", "/dev/ttyS10", "/dev/ttyS11", "/dev/ttyS12"},  // printer
    {"None", "/dev/ttyS15", "/dev/ttyS16", "/dev/ttyS17"},  // cash drawer
    {"None", "/dev/ttyS18", "/dev/ttyS19", nullptr},        // line display
    {"None", "/dev/ttyS20", "/dev/ttyS21", nullptr},        // MSR
};

[[noreturn]] void fault(const char* what, const std::string& text, long position) {
  std::fprintf(stderr, "\nFAULT: %s: \"%s\" -> %ld\n", what, text.c_str(), position);
  std::abort();
}

bool isItemAt(const char* text, int32_t position) {
  for (const auto& items : kSelectors)
    if (items[position] && std::strcmp(items[position], text) == 0) return true;
  return false;
}

void checkPosition(const char* text) {
  const int32_t position = HLQCT_DevicePortIndexParsing(text);
  if (position < 0 || position > 3) fault("position out of range", text, position);
  if (position != 0 && !isItemAt(text, position))
    fault("a text that no selector lists at that position selects it", text, position);
  if (HLQCT_PortPosition(std::string(text)) != position)
    fault("a read value maps differently from its text", text, position);
}

// The write rule: exactly "None" is stored as a blank, anything else as is.
void checkStored(const char* activeText) {
  const std::string stored = HLQCT_PortTextToStore(activeText);
  const bool none = std::strcmp(activeText, "None") == 0;
  if (none ? stored != " " : stored != activeText)
    fault("stored text breaks the write rule", activeText, 0);
  // The blank comes back from the file as an empty text: both mean "None".
  if (none && HLQCT_DevicePortIndexParsing(stored.c_str()) != 0) fault("blank", stored, 0);
}

void checkItemRoundTrip(uint8_t selector, uint8_t position) {
  const char* item = kSelectors[selector % 4][position % 4];
  if (!item) return;
  const std::string stored = HLQCT_PortTextToStore(item);
  const std::string readBack = stored == " " ? "" : stored;
  if (HLQCT_DevicePortIndexParsing(readBack.c_str()) != position % 4)
    fault("a stored item does not select itself again", item, position % 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  checkPosition(text.c_str());  // up to the first NUL, as a C string reaches it
  checkStored(text.c_str());
  if (size >= 2) checkItemRoundTrip(data[0], data[1]);
  return 0;
}

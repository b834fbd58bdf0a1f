#include "devices/port_mapping.h"

#include <cstring>

namespace {

struct PortPosition {
  const char* text;
  int32_t position;
};

// Each selector lists "None" and then its own ports in this order, so a
// stored port text maps back to the item it was written from.
constexpr PortPosition kPorts[] = {
    {" ", 0},
    {"/dev/ttyS10", 1}, {"/dev/ttyS15", 1}, {"/dev/ttyS18", 1}, {"/dev/ttyS20", 1},
    {"/dev/ttyS11", 2}, {"/dev/ttyS16", 2}, {"/dev/ttyS19", 2}, {"/dev/ttyS21", 2},
    {"/dev/ttyS12", 3}, {"/dev/ttyS17", 3},
};

}  // namespace

int32_t HLQCT_DevicePortIndexParsing(const char* text) {
  if (!text) return 0;
  for (const auto& port : kPorts)
    if (std::strcmp(text, port.text) == 0) return port.position;
  return 0;
}

int32_t HLQCT_PortPosition(const std::optional<std::string>& stored) {
  return stored ? HLQCT_DevicePortIndexParsing(stored->c_str()) : 0;
}

std::string HLQCT_PortTextToStore(const char* activeText) {
  // A selector left without an active item (a stored port its list lacks)
  // has no text: that stores no port rather than crashing the Apply. The item
  // "None" is deliberately not translatable in the UI file, so that it reads
  // the same in every language and is never stored as a port.
  if (!activeText || std::strcmp(activeText, "None") == 0) return " ";
  return activeText;
}

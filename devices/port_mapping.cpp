#include "devices/port_mapping.h"

#include <cstring>


namespace {

// Each selector lists "None" and then its own ports in this order, so a
// stored port text maps back to the item it was written from.
struct PagePorts {
  HLQPortSelector selector;
  const char* ports[HLQ_MAX_PORTS_PER_SELECTOR + 1];  // ends with nullptr
};

constexpr PagePorts kPagePorts[] = {
    {HLQPortSelector::Printer, {"/dev/ttyS10", "/dev/ttyS11", "/dev/ttyS12", nullptr}},
    {HLQPortSelector::CashDrawer, {"/dev/ttyS15", "/dev/ttyS16", "/dev/ttyS17", nullptr}},
    {HLQPortSelector::LineDisplay, {"/dev/ttyS18", "/dev/ttyS19", nullptr}},
    {HLQPortSelector::Msr, {"/dev/ttyS20", "/dev/ttyS21", nullptr}},
};

}  // namespace

const char* const* HLQ_PortsOfSelector(HLQPortSelector selector) {
  for (const PagePorts& page : kPagePorts)
    if (page.selector == selector) return page.ports;
  return nullptr;
}

// The position depends on the text alone, not on the page it is stored for.
int32_t HLQCT_DevicePortIndexParsing(const char* text) {
  if (!text) return 0;
  for (const PagePorts& page : kPagePorts)
    for (int32_t i = 0; page.ports[i]; ++i)
      if (std::strcmp(text, page.ports[i]) == 0) return i + 1;
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
  if (!activeText || std::strcmp(activeText, "None") == 0) return HLQ_NO_PORT_TEXT;
  return activeText;
}

// The one mapping between a stored port text and the position of a port
// selector item (position 0 is "None"), shared by all four device pages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What a port of "None" is stored as: one blank, which reads back as "".
inline constexpr const char* HLQ_NO_PORT_TEXT = " ";
inline constexpr int HLQ_MAX_PORTS_PER_SELECTOR = 3;

// The four port selectors of the device pages.
enum class HLQPortSelector { Printer, CashDrawer, LineDisplay, Msr };

// The device paths that a port selector offers after "None", in order and
// ending with nullptr. Which element stores each selector's port is the
// page model's to know.
const char* const* HLQ_PortsOfSelector(HLQPortSelector selector);

// 0 to 3 by exact text; any text not in the table gives 0.
int32_t HLQCT_DevicePortIndexParsing(const char* text);

// The same for a configuration read: an absent value gives 0.
int32_t HLQCT_PortPosition(const std::optional<std::string>& stored);

// What a page stores for the active item's text: "None" is stored as " ",
// and so is no text at all (no active item).
std::string HLQCT_PortTextToStore(const char* activeText);

// The list of supported devices: vendor IDs and, per device class, product
// IDs. A deployment maintains these tables.
#pragma once

#include <cstdint>

inline constexpr int HLQ_VENDOR_ID_COUNT = 4;
inline constexpr uint32_t HLQ_PRINTER_PID_COUNT = 7;
inline constexpr uint32_t HLQ_CASHDRAWER_PID_COUNT = 6;
inline constexpr uint32_t HLQ_LINEDISPLAY_PID_COUNT = 6;

extern const uint16_t HLQ_VENDOR_IDS[HLQ_VENDOR_ID_COUNT];
extern const uint16_t HLQ_PRINTER_PIDS[HLQ_PRINTER_PID_COUNT];
extern const uint16_t HLQ_CASHDRAWER_PIDS[HLQ_CASHDRAWER_PID_COUNT];
extern const uint16_t HLQ_LINEDISPLAY_PIDS[HLQ_LINEDISPLAY_PID_COUNT];

// The vendor whose printers can publish their own code page list.
inline constexpr int HLQ_CODEPAGE_VENDOR_INDEX = 3;

// The printer's code page list as the printer page shows it, without
// widgets: the 26 predefined names, or the list that the daemon publishes
// for a printer of the code page vendor in emulation mode 0. The stored code
// page is a position in this list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devices/codepage_record.h"
#include "devices/supported_device.h"

inline constexpr int HLQ_PREDEFINED_CODEPAGE_COUNT = 26;
extern const char predefined_codepages[HLQ_PREDEFINED_CODEPAGE_COUNT][16];
// The name that ends the printer's own list.
inline constexpr const char* HLQ_PRINTER_DEFAULT_CODEPAGE = "Printer Default";
// The longest list there is: the printer's own 29 code pages and "Printer Default".
inline constexpr int HLQ_LONGEST_CODEPAGE_LIST = HLQ_CODEPAGE_MAX_ENTRIES + 1;

// True when the page shows the printer's own list for this printer (vendor
// ID 0: none attached) in emulation mode `mode`.
bool HLQ_ShowsPrintersOwnCodepages(const SupportedDeviceInfo& printer, int32_t mode);

// The printer's own code page numbers and "Printer Default", read from the
// shared memory record; empty when the record cannot be read.
std::vector<std::string> HLQ_PrintersOwnCodepages();

// The names the page lists, untranslated, in order.
std::vector<std::string> HLQ_CodepageNames(const SupportedDeviceInfo& printer, int32_t mode);

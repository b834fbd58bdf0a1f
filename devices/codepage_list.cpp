#include "devices/codepage_list.h"

#include <cstdio>

#include "base/fixed_paths.h"
#include "devices/usb_ids.h"

// The configuration stores the position in this list, so its order is fixed.
const char predefined_codepages[HLQ_PREDEFINED_CODEPAGE_COUNT][16] = {
    "437",  "858",  "863",  "860",  "865",  "Generic", "869",  "857",  "864",
    "867",  "852",  "848",  "866",  "872",  "775",     "861",  "1250", "1251",
    "1252", "1253", "1254", "1255", "1256", "1257",    "1258", "Printer Default",
};

bool HLQ_ShowsPrintersOwnCodepages(const SupportedDeviceInfo& printer, int32_t mode) {
  return printer.vendorId != 0 && printer.vendorId == HLQ_VENDOR_IDS[HLQ_CODEPAGE_VENDOR_INDEX] &&
         mode == 0 && printer.serialNumber[0] != '\0';
}

std::vector<std::string> HLQ_PrintersOwnCodepages() {
  uint8_t record[HLQ_CODEPAGE_RECORD_SIZE];
  std::vector<std::string> names;
  if (!HLQ_CopyCodepageRecord(HLQ_CODEPAGE_SHM_NAME, record)) return names;
  for (uint16_t codepage : HLQ_ParseCodepageRecord(record)) {
    char text[6];  // five digits at most
    std::snprintf(text, sizeof text, "%d", codepage);
    names.emplace_back(text);
  }
  names.emplace_back(HLQ_PRINTER_DEFAULT_CODEPAGE);
  return names;
}

std::vector<std::string> HLQ_CodepageNames(const SupportedDeviceInfo& printer, int32_t mode) {
  if (HLQ_ShowsPrintersOwnCodepages(printer, mode)) return HLQ_PrintersOwnCodepages();
  return std::vector<std::string>(std::begin(predefined_codepages), std::end(predefined_codepages));
}

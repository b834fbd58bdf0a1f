// devices and codepages: what the pages find attached and the code page
// list the printer page shows now.
#include <glib/gi18n-lib.h>

#include "hlqctl/exit_codes.h"
#include "hlqctl/json_output.h"
#include "hlqctl/table.h"
#include "hlqctl/verbs.h"

namespace {

constexpr HLQPage kDevicePages[] = {HLQPage::Printer, HLQPage::CashDrawer, HLQPage::LineDisplay};

}  // namespace

int HLQCtl_Devices(const HLQCtlArguments& arguments) {
  HLQCtlJson document = HLQCtlJson::object();
  std::vector<HLQCtlRow> rows = {{_("PAGE"), _("PRODUCT ID"), _("VENDOR ID"), _("SERIAL NUMBER")}};
  for (HLQPage page : kDevicePages) {
    HLQCtlJson devices = HLQCtlJson::array();
    for (const SupportedDeviceInfo& device : HLQ_DevicesShownOn(page)) {
      devices.push_back({{"product-id", HLQ_UsbIdText(device.productId)},
                         {"vendor-id", HLQ_UsbIdText(device.vendorId)},
                         {"serial-number", device.serialNumber}});
      rows.push_back({HLQ_PageName(page), HLQ_UsbIdText(device.productId),
                      HLQ_UsbIdText(device.vendorId), HLQCtl_Printable(device.serialNumber)});
    }
    document[HLQ_PageName(page)] = devices;
  }
  if (arguments.json)
    HLQCtl_PrintJson(document);
  else if (rows.size() == 1)
    std::printf("%s\n", _("No supported device is attached."));
  else
    HLQCtl_PrintTable(rows);
  return HLQCTL_DONE;
}

int HLQCtl_Codepages(const HLQCtlArguments& arguments) {
  const HLQStoredValue* mode = HLQ_FindStoredValueNamed("printer.emulation-mode");
  const HLQStoredTexts texts = HLQ_ReadStoredTexts({mode->file});
  HLQCodepageLists codepages;
  const int stored = HLQ_StoredEmulationMode(texts);
  const std::vector<std::string>& names = codepages.shownFor(stored);
  const bool own = codepages.printersOwn(stored);
  if (arguments.json) {
    HLQCtl_PrintJson({{"printers-own", own}, {"codepages", names}});
  } else {
    std::fprintf(stderr, "%s\n",
                 own ? _("The printer's own code pages, as the daemon publishes them:")
                     : _("The predefined code pages:"));
    if (names.empty()) std::fprintf(stderr, "%s\n", _("(none: the daemon's list could not be read)"));
    std::vector<HLQCtlRow> rows;
    for (size_t i = 0; i < names.size(); ++i) rows.push_back({std::to_string(i), names[i]});
    HLQCtl_PrintTable(rows);
  }
  const HLQShownValue shownMode = HLQ_ShownValue(*mode, texts, &codepages);
  return HLQCtl_ReadStatus(texts, {shownMode});
}

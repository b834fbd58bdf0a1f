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

HLQCtlJson HLQCtl_DevicesDocument() {
  HLQCtlJson document = HLQCtlJson::object();
  for (HLQPage page : kDevicePages) {
    HLQCtlJson devices = HLQCtlJson::array();
    for (const SupportedDeviceInfo& device : HLQ_DevicesShownOn(page))
      devices.push_back({{"product-id", HLQ_UsbIdText(device.productId)},
                         {"vendor-id", HLQ_UsbIdText(device.vendorId)},
                         {"serial-number", device.serialNumber}});
    document[HLQ_PageName(page)] = devices;
  }
  return document;
}

HLQCtlJson HLQCtl_CodepagesDocument(const HLQStoredTexts& texts, HLQCodepageLists* codepages) {
  const int stored = HLQ_StoredEmulationMode(texts);
  return {{"printers-own", codepages->printersOwn(stored)},
          {"codepages", codepages->shownFor(stored)}};
}

int HLQCtl_Devices(const HLQCtlArguments& arguments) {
  const HLQCtlJson document = HLQCtl_DevicesDocument();
  std::vector<HLQCtlRow> rows = {{_("PAGE"), _("PRODUCT ID"), _("VENDOR ID"), _("SERIAL NUMBER")}};
  for (const auto& [page, devices] : document.items())
    for (const HLQCtlJson& device : devices)
      rows.push_back({page, device["product-id"].get<std::string>(),
                      device["vendor-id"].get<std::string>(),
                      HLQCtl_Printable(device["serial-number"].get<std::string>())});
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
  const HLQCtlJson document = HLQCtl_CodepagesDocument(texts, &codepages);
  const std::vector<std::string> names = document["codepages"];
  const bool own = document["printers-own"];
  if (arguments.json) {
    HLQCtl_PrintJson(document);
  } else {
    std::fprintf(stderr, "%s\n",
                 own ? _("The printer's own code pages, as the daemon publishes them:")
                     : _("The predefined code pages:"));
    if (names.empty()) std::fprintf(stderr, "%s\n", _("(none: the daemon's list could not be read)"));
    for (const std::string& name : names) std::printf("%s\n", HLQCtl_Printable(name).c_str());
  }
  const HLQShownValue shownMode = HLQ_ShownValue(*mode, texts, &codepages);
  return HLQCtl_ReadStatus(texts, {shownMode});
}

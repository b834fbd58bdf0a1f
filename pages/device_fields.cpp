#include "pages/device_fields.h"

#include <cstdio>
#include <cstring>

#include "devices/usb_discovery.h"
#include "devices/usb_ids.h"
#include "model/page_values.h"
#include "pages/page_state.h"

void HLQ_ShowDevice(const SupportedDeviceInfo& device, GtkEntry* pid, GtkEntry* vid,
                    GtkEntry* serial) {
  gtk_entry_set_text(pid, HLQ_UsbIdText(device.productId).c_str());
  gtk_entry_set_text(vid, HLQ_UsbIdText(device.vendorId).c_str());
  gtk_entry_set_text(serial, device.serialNumber[0] != '\0' ? device.serialNumber : "");
}

void HLQ_ClearDevice(GtkEntry* pid, GtkEntry* vid, GtkEntry* serial) {
  gtk_entry_set_text(pid, "");
  gtk_entry_set_text(vid, "");
  gtk_entry_set_text(serial, "");
}

void HLQ_ReadDevicePage(const HLQDevicePage& page, HLQComboBoxes* combos, HLQEntries* entries,
                        SupportedDeviceInfo* records) {
  const int32_t count = static_cast<int32_t>(page.devices.size());
  std::memset(records, 0, sizeof(SupportedDeviceInfo) * count);
  HLQ_ReadPage(page.page);
  HLQ_ShowStoredFields(page.page, combos, entries, nullptr);
  getSupportedDeviceInfo(records, count, HLQ_VENDOR_IDS, page.productTable, page.productCount);
}

void HLQ_ShowDevices(const std::vector<HLQDeviceFields>& devices,
                     const SupportedDeviceInfo* records) {
  for (size_t i = 0; i < devices.size(); ++i) {
    const HLQDeviceFields& device = devices[i];
    HLQ_ShowDevice(records[i], device.pid, device.vid, device.serial);
  }
}

void HLQ_ClearDevicePage(const HLQDevicePage& page) {
  gtk_combo_box_set_active(GTK_COMBO_BOX(page.selector), 0);
  for (const HLQDeviceFields& device : page.devices)
    HLQ_ClearDevice(device.pid, device.vid, device.serial);
}

void on_btnDemo_printermodcfg_clicked(GtkButton*, gpointer) {
  std::puts("Still Not Implemented yet");
  std::fflush(stdout);
}

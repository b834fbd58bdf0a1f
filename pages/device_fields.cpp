#include "pages/device_fields.h"

#include <glib/gi18n-lib.h>

#include <cstdio>
#include <cstring>

#include "config/fixed_paths.h"
#include "config/config_layout.h"
#include "devices/port_mapping.h"
#include "devices/usb_discovery.h"
#include "devices/usb_ids.h"

void HLQ_ShowStoredPort(HXMLWRAPPER config, const char* portKey, GtkComboBoxText* selector) {
  auto stored = xmlwrapper_ReadXMLNodeValue(config, HLQ_DeviceConfigPath(), kwn::PORTS, portKey);
  gtk_combo_box_set_active(GTK_COMBO_BOX(selector), HLQCT_PortPosition(stored));
}

void HLQ_WriteSelectedPort(HLQPageWrites* writes, const char* portKey, GtkComboBoxText* selector) {
  gchar* active = gtk_combo_box_text_get_active_text(selector);
  if (!active) {
    writes->leftUnchanged(portKey, _("no port is selected; the stored port was left unchanged"));
    return;
  }
  writes->text(kwn::PORTS, portKey, HLQCT_PortTextToStore(active), GTK_WIDGET(selector));
  g_free(active);
}

namespace {
void showId(uint16_t id, GtkEntry* entry) {
  char text[8] = "";
  if (id != 0) std::snprintf(text, sizeof text, "%04x", id);
  gtk_entry_set_text(entry, text);
}
}  // namespace

void HLQ_ShowDevice(const SupportedDeviceInfo& device, GtkEntry* pid, GtkEntry* vid,
                    GtkEntry* serial) {
  showId(device.productId, pid);
  showId(device.vendorId, vid);
  gtk_entry_set_text(serial, device.serialNumber[0] != '\0' ? device.serialNumber : "");
}

void HLQ_WriteEntryAttribute(HLQPageWrites* writes, const char* portKey, const char* attribute,
                             GtkEntry* entry) {
  writes->typed(kwn::PORTS, portKey, attribute, gtk_entry_get_text(entry), GTK_WIDGET(entry));
}

void HLQ_ClearDevice(GtkEntry* pid, GtkEntry* vid, GtkEntry* serial) {
  gtk_entry_set_text(pid, "");
  gtk_entry_set_text(vid, "");
  gtk_entry_set_text(serial, "");
}

void HLQ_WriteDeviceAttributes(HLQPageWrites* writes, const char* portKey,
                               const HLQDeviceFields& device) {
  HLQ_WriteEntryAttribute(writes, portKey, device.pidAttribute, device.pid);
  HLQ_WriteEntryAttribute(writes, portKey, device.vidAttribute, device.vid);
  HLQ_WriteEntryAttribute(writes, portKey, device.serialAttribute, device.serial);
}

void HLQ_ReadDevicePage(const HLQDevicePage& page, SupportedDeviceInfo* records) {
  const int32_t count = static_cast<int32_t>(page.devices.size());
  std::memset(records, 0, sizeof(SupportedDeviceInfo) * count);
  HXMLWRAPPER config = xmlwrapper_create();
  HLQ_ShowStoredPort(config, page.portKey, page.selector);
  xmlwrapper_destroy(config);
  getSupportedDeviceInfo(records, count, HLQ_VENDOR_IDS, page.productTable, page.productCount);
}

void HLQ_ShowDevices(const std::vector<HLQDeviceFields>& devices,
                     const SupportedDeviceInfo* records) {
  for (size_t i = 0; i < devices.size(); ++i) {
    const HLQDeviceFields& device = devices[i];
    HLQ_ShowDevice(records[i], device.pid, device.vid, device.serial);
  }
}

HLQPageWrites HLQ_CollectDevicePage(const HLQDevicePage& page) {
  HLQPageWrites writes(HLQ_DeviceConfigPath());
  HLQ_WriteSelectedPort(&writes, page.portKey, page.selector);
  for (const HLQDeviceFields& device : page.devices)
    HLQ_WriteDeviceAttributes(&writes, page.portKey, device);
  return writes;
}

ApplyReport HLQ_WriteDevicePage(const HLQDevicePage& page) {
  return HLQ_CollectDevicePage(page).store();
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

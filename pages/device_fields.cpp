#include "pages/device_fields.h"

#include <cstdio>

#include "app/fixed_paths.h"
#include "config/config_layout.h"
#include "devices/port_mapping.h"

void HLQ_ShowStoredPort(HXMLWRAPPER config, const char* portKey, GtkComboBoxText* selector) {
  auto stored = xmlwrapper_ReadXMLNodeValue(config, HLQ_DeviceConfigPath(), kwn::PORTS, portKey);
  gtk_combo_box_set_active(GTK_COMBO_BOX(selector), HLQCT_PortPosition(stored));
}

void HLQ_WriteSelectedPort(HXMLWRAPPER config, const char* portKey, GtkComboBoxText* selector,
                           ApplyReport* report) {
  gchar* active = gtk_combo_box_text_get_active_text(selector);
  if (!active) {
    report->leftUnchanged(portKey, "no port is selected; the stored port was left unchanged");
    return;
  }
  std::string text = HLQCT_PortTextToStore(active);
  g_free(active);
  report->record(portKey, xmlwrapper_WriteXMLNodeValue(config, HLQ_DeviceConfigPath(),
                                                       kwn::PORTS, portKey, text.c_str()));
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

void HLQ_WriteEntryAttribute(HXMLWRAPPER config, const char* portKey, const char* attribute,
                             GtkEntry* entry, ApplyReport* report) {
  report->record(std::string(portKey) + " attribute " + attribute,
                 xmlwrapper_WriteXMLNodeProperty(config, HLQ_DeviceConfigPath(), kwn::PORTS,
                                                 portKey, attribute, gtk_entry_get_text(entry)));
}

void HLQ_ClearDevice(GtkEntry* pid, GtkEntry* vid, GtkEntry* serial) {
  gtk_entry_set_text(pid, "");
  gtk_entry_set_text(vid, "");
  gtk_entry_set_text(serial, "");
}

void on_btnDemo_printermodcfg_clicked(GtkButton*, gpointer) {
  std::puts("Still Not Implemented yet");
  std::fflush(stdout);
}

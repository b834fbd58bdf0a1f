// What the device pages have in common: a stored port shown in a port
// selector and written back, and a discovered device shown in three entries
// whose texts are written back as attributes of the port element.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <vector>

#include "app/apply_report.h"
#include "config/xml_config.h"
#include "devices/supported_device.h"
#include "pages/page_writes.h"

// Reads Ports_Configuration/<portKey> and makes its position active.
void HLQ_ShowStoredPort(HXMLWRAPPER config, const char* portKey, GtkComboBoxText* selector);

// Writes the active item's text ("None" as " ") to Ports_Configuration/<portKey>.
// With no active item (a stored port this selector has no item for) the stored
// text is left as it is, and the report says so.
void HLQ_WriteSelectedPort(HLQPageWrites* writes, const char* portKey, GtkComboBoxText* selector);

// Shows a record: IDs as four lower-case hex digits (empty for 0), the serial
// number as read (empty when none was read).
void HLQ_ShowDevice(const SupportedDeviceInfo& device, GtkEntry* pid, GtkEntry* vid,
                    GtkEntry* serial);

// Writes an entry's text as an attribute of Ports_Configuration/<portKey>, as
// typed (a USB ID in lower case); a text its rule refuses is reported under
// the entry's label.
void HLQ_WriteEntryAttribute(HLQPageWrites* writes, const char* portKey, const char* attribute,
                             GtkEntry* entry);

// Empties the three entries of one device.
void HLQ_ClearDevice(GtkEntry* pid, GtkEntry* vid, GtkEntry* serial);

// One device's three entries and the attributes of the port element that
// store their texts.
struct HLQDeviceFields {
  GtkEntry* pid;
  GtkEntry* vid;
  GtkEntry* serial;
  const char* pidAttribute;
  const char* vidAttribute;
  const char* serialAttribute;
};

// Writes the three entries' texts, as typed, in the order PID, VID, serial.
void HLQ_WriteDeviceAttributes(HLQPageWrites* writes, const char* portKey,
                               const HLQDeviceFields& device);

// A page that has nothing but a port and the devices found on the bus: the
// port selector, the entries of each device in discovery order, and the
// product table that discovery searches.
struct HLQDevicePage {
  const char* portKey;
  GtkComboBoxText* selector;
  std::vector<HLQDeviceFields> devices;
  const uint16_t* productTable;
  uint32_t productCount;
};

// Start-up: shows the stored port, zero-fills one record per device and lets
// discovery fill them (devices that are not found stay zero).
void HLQ_ReadDevicePage(const HLQDevicePage& page, SupportedDeviceInfo* records);

// Shows one record per device in that device's entries.
void HLQ_ShowDevices(const std::vector<HLQDeviceFields>& devices,
                     const SupportedDeviceInfo* records);

// Apply: the port, then the attributes of each device in order; collected,
// or collected and stored.
HLQPageWrites HLQ_CollectDevicePage(const HLQDevicePage& page);
ApplyReport HLQ_WriteDevicePage(const HLQDevicePage& page);

// Clear: the selector to "None", then every device's entries emptied.
void HLQ_ClearDevicePage(const HLQDevicePage& page);

extern "C" {
// The Demo action shared by all device pages.
void on_btnDemo_printermodcfg_clicked(GtkButton* button, gpointer data);
}

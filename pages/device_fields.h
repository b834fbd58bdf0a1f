// What the device pages have in common: a stored port shown in a port
// selector, and a discovered device shown in three entries, which Apply
// stores as attributes of the port element.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <vector>

#include "app/apply_report.h"
#include "app/registries.h"
#include "devices/supported_device.h"
#include "model/page_model.h"
#include "pages/page_writes.h"

// Shows a record: IDs as four lower-case hex digits (empty for 0), the serial
// number as read (empty when none was read).
void HLQ_ShowDevice(const SupportedDeviceInfo& device, GtkEntry* pid, GtkEntry* vid,
                    GtkEntry* serial);

// Empties the three entries of one device.
void HLQ_ClearDevice(GtkEntry* pid, GtkEntry* vid, GtkEntry* serial);

// One device's three entries.
struct HLQDeviceFields {
  GtkEntry* pid;
  GtkEntry* vid;
  GtkEntry* serial;
};

// A page that has nothing but a port and the devices found on the bus: the
// port selector, the entries of each device in discovery order, and the
// product table that discovery searches.
struct HLQDevicePage {
  HLQPage page;
  GtkComboBoxText* selector;
  std::vector<HLQDeviceFields> devices;
  const uint16_t* productTable;
  uint32_t productCount;
};

// Start-up: shows the stored port, zero-fills one record per device and lets
// discovery fill them (devices that are not found stay zero).
void HLQ_ReadDevicePage(const HLQDevicePage& page, HLQComboBoxes* combos, HLQEntries* entries,
                        SupportedDeviceInfo* records);

// Shows one record per device in that device's entries.
void HLQ_ShowDevices(const std::vector<HLQDeviceFields>& devices,
                     const SupportedDeviceInfo* records);

// Clear: the selector to "None", then every device's entries emptied.
void HLQ_ClearDevicePage(const HLQDevicePage& page);

extern "C" {
// The Demo action shared by all device pages.
void on_btnDemo_printermodcfg_clicked(GtkButton* button, gpointer data);
}

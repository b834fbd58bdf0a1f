// The line display page: its port and the attached display's identification.
#pragma once

#include <gtk/gtk.h>

#include "app/apply_report.h"
#include "app/registries.h"
#include "devices/supported_device.h"

void LineDisplayTab_ReadValuesforInit(HLQComboBoxes* combos, HLQEntries* entries);
void PopulateLDInfobyUSB(const SupportedDeviceInfo* display, HLQEntries* entries);
ApplyReport LineDisplayTab_WriteValues(HLQComboBoxes* combos, HLQEntries* entries);

extern "C" {
void on_btnApply_ldmodcfg_clicked(GtkButton* button, gpointer data);
void on_btnClear_ldmodcfg_clicked(GtkButton* button, gpointer data);
void on_btnDemo_ldmodcfg_clicked(GtkButton* button, gpointer data);
}

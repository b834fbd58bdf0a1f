// The cash drawer page: the port shared by up to two drawers and the
// identification of the two attached drawers.
#pragma once

#include <gtk/gtk.h>

#include "app/apply_report.h"
#include "app/registries.h"
#include "devices/supported_device.h"

void CashDrawerTab_ReadValuesforInit(HLQComboBoxes* combos, HLQEntries* entries);
void PopulateCDInfobyUSB(const SupportedDeviceInfo (&drawers)[2], HLQEntries* entries);
ApplyReport CashDrawerTab_WriteValues(HLQComboBoxes* combos, HLQEntries* entries);

extern "C" {
void on_btnApply_cdmodcfg_clicked(GtkButton* button, gpointer data);
void on_btnClear_cdmodcfg_clicked(GtkButton* button, gpointer data);
void on_btnDemo_cdmodcfg_clicked(GtkButton* button, gpointer data);
}

// The printer page: port, code page, emulation mode, unsolicited status and
// the attached printer's identification.
#pragma once

#include <gtk/gtk.h>

#include "app/apply_report.h"
#include "app/registries.h"
#include "devices/supported_device.h"
#include "pages/page_writes.h"

void PrinterTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                  HLQEntries* entries);
void PopulatePrinterInfobyUSB(const SupportedDeviceInfo* printer, HLQEntries* entries,
                              HLQComboBoxes* combos);
// What Apply stores, taken from the widgets; and the same stored at once.
HLQPageWrites PrinterTab_CollectValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                       HLQEntries* entries);
ApplyReport PrinterTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                   HLQEntries* entries);

extern "C" {
void on_btnApply_printermodcfg_clicked(GtkButton* button, gpointer data);
void on_btnDefault_printermodcfg_clicked(GtkButton* button, gpointer data);
void on_btnClear_printermodcfg_clicked(GtkButton* button, gpointer data);
void on_cmbx_printermode_changed(GtkComboBox* combo, gpointer data);
}

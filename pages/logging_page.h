// The logging page: the daemon's log level and per-module log switches, in
// the logging configuration file.
#pragma once

#include <gtk/gtk.h>

#include "app/apply_report.h"
#include "app/registries.h"
#include "pages/page_writes.h"

void LoggingTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks);
// What Apply stores, taken from the widgets; and the same stored at once.
HLQPageWrites LoggingTab_CollectValues(HLQComboBoxes* combos, HLQCheckBoxes* checks);
ApplyReport LoggingTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks);

extern "C" {
void on_btnApply_logmodcfg_clicked(GtkButton* button, gpointer data);
void on_btnDefault_logmodcfg_clicked(GtkButton* button, gpointer data);
}

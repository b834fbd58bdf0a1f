// The MSR page: the magnetic stripe reader's port, tracks, sentinels,
// carriage-return rules and head and tail wrappers.
#pragma once

#include <gtk/gtk.h>

#include "app/apply_report.h"
#include "app/registries.h"
#include "pages/page_writes.h"
#include "pages/page_state.h"

void MSRTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                              HLQEntries* entries);
// What Apply stores, taken from the widgets; and the same stored at once.
HLQPageWrites MSRTab_CollectValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                   HLQEntries* entries);
ApplyReport MSRTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                               HLQEntries* entries);

extern "C" {
void on_btnApply_msrmodcfg_clicked(GtkButton* button, gpointer data);
void on_btnDefault_msrmodcfg_clicked(GtkButton* button, gpointer data);
void on_btnClear_msrmodcfg_clicked(GtkButton* button, gpointer data);
void on_btnDemo_msrmodcfg_clicked(GtkButton* button, gpointer data);
void on_chbox_carriagereturnenbld_msrmodcfg_clicked(GtkButton* button, gpointer data);
void on_chbox_headwrapper_msrmodcfg_clicked(GtkButton* button, gpointer data);
void on_chbox_tailwrapper_msrmodcfg_clicked(GtkButton* button, gpointer data);
}

#include "pages/msr_page.h"

#include <glib/gi18n-lib.h>

#include "app/page_apply.h"
#include "pages/device_fields.h"
#include "pages/page_state.h"

namespace {

using CheckBox = GtkCheckButton* HLQCheckBoxes::*;
using Entry = GtkEntry* HLQEntries::*;

// While the global carriage-return box is on, these three are greyed out
// (their own states are kept and stored all the same).
constexpr CheckBox kPerTrackCarriageReturns[] = {
    &HLQCheckBoxes::gtkcheckbtn_crtrack1enbld,
    &HLQCheckBoxes::gtkcheckbtn_crtrack2enbld,
    &HLQCheckBoxes::gtkcheckbtn_crtrack3en,
};

struct WrapperWidgets {
  Entry entry;
  CheckBox box;
};
constexpr WrapperWidgets kWrappers[] = {
    {&HLQEntries::gtkentry_headwrapper, &HLQCheckBoxes::gtkcheckbtn_headwrapper},
    {&HLQEntries::gtkentry_tailwrapper, &HLQCheckBoxes::gtkcheckbtn_tailwrapper},
};

void setPerTrackCarriageReturnsSensitive(HLQCheckBoxes* checks, bool sensitive) {
  for (CheckBox box : kPerTrackCarriageReturns)
    gtk_widget_set_sensitive(GTK_WIDGET(checks->*box), sensitive);
}

void setWrapperEditable(GtkEntry* entry, bool editable) {
  gtk_editable_set_editable(GTK_EDITABLE(entry), editable);
}

// The check boxes' rules for the states the fields show now.
void applyFieldRules(HLQCheckBoxes* checks, HLQEntries* entries) {
  setPerTrackCarriageReturnsSensitive(checks,
                                      !HLQ_IsChecked(checks->gtkcheckbtn_carriageretunrenbld));
  for (const auto& row : kWrappers)
    setWrapperEditable(entries->*row.entry, HLQ_IsChecked(checks->*row.box));
}

}  // namespace

void MSRTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                              HLQEntries* entries) {
  gtk_widget_set_sensitive(GTK_WIDGET(checks->gtkcheckbtn_rawdatamode), FALSE);
  HLQ_ReadPage(HLQPage::Msr);
  HLQ_ShowStoredFields(HLQPage::Msr, combos, entries, checks);
  applyFieldRules(checks, entries);
  HLQ_RememberPageFields(HLQPage::Msr, combos, entries, checks);
}

HLQPageWrites MSRTab_CollectValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                   HLQEntries* entries) {
  return HLQ_CollectPage(HLQPage::Msr, combos, entries, checks);
}

ApplyReport MSRTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                               HLQEntries* entries) {
  return MSRTab_CollectValues(combos, checks, entries).store();
}

void on_btnApply_msrmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(MSRTab_CollectValues(g_hlqComboBoxes, g_hlqCheckBoxes, g_hlqEntries), _("MSR Settings Applied"), _("MSR Configuration"));
}

// Changes widgets only; Apply stores them. The check box handlers, run by
// each change of state, restore the sensitivity and editability rules.
void on_btnDefault_msrmodcfg_clicked(GtkButton*, gpointer) {
  HLQCheckBoxes* checks = g_hlqCheckBoxes;
  HLQEntries* entries = g_hlqEntries;
  HLQ_SetChecked(checks->gtkcheckbtn_carriageretunrenbld, false);
  HLQ_SetChecked(checks->gtkcheckbtn_track1enbld, true);
  HLQ_SetChecked(checks->gtkcheckbnt_track2enbld, true);
  HLQ_SetChecked(checks->gtkcheckbtn_track3enbld, true);
  HLQ_SetChecked(checks->gtkcheckbtn_stripsentinels, false);
  HLQ_SetChecked(checks->gtkcheckbtn_hideerrtraks, false);
  for (const HLQField& field : HLQ_FieldsOf(HLQPage::Msr, g_hlqComboBoxes, entries, checks))
    if (field.value->rule == HLQRuleKind::Sentinel)
      gtk_entry_set_text(GTK_ENTRY(field.widget), HLQ_SentinelDefault(*field.value));
  for (CheckBox box : kPerTrackCarriageReturns) HLQ_SetChecked(checks->*box, false);
  for (const auto& row : kWrappers) {
    HLQ_SetChecked(checks->*row.box, false);
    gtk_entry_set_text(entries->*row.entry, "");
  }
}

void on_btnClear_msrmodcfg_clicked(GtkButton*, gpointer) {
  gtk_combo_box_set_active(GTK_COMBO_BOX(g_hlqComboBoxes->gtkcboxt_msrport), 0);
}

void on_btnDemo_msrmodcfg_clicked(GtkButton* button, gpointer data) {
  on_btnDemo_printermodcfg_clicked(button, data);
}

void on_chbox_carriagereturnenbld_msrmodcfg_clicked(GtkButton*, gpointer) {
  setPerTrackCarriageReturnsSensitive(
      g_hlqCheckBoxes, !HLQ_IsChecked(g_hlqCheckBoxes->gtkcheckbtn_carriageretunrenbld));
}

void on_chbox_headwrapper_msrmodcfg_clicked(GtkButton*, gpointer) {
  setWrapperEditable(g_hlqEntries->gtkentry_headwrapper,
                     HLQ_IsChecked(g_hlqCheckBoxes->gtkcheckbtn_headwrapper));
}

void on_chbox_tailwrapper_msrmodcfg_clicked(GtkButton*, gpointer) {
  setWrapperEditable(g_hlqEntries->gtkentry_tailwrapper,
                     HLQ_IsChecked(g_hlqCheckBoxes->gtkcheckbtn_tailwrapper));
}

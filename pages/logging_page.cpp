#include "pages/logging_page.h"

#include <glib/gi18n-lib.h>

#include "app/page_apply.h"
#include "pages/page_state.h"
#include "pages/page_writes.h"

namespace {

// The module switches, which Default turns on.
constexpr GtkCheckButton* HLQCheckBoxes::*kModules[] = {
    &HLQCheckBoxes::gtkcheckbtn_hlqsvc, &HLQCheckBoxes::gtkcheckbtn_cdusbmod,
    &HLQCheckBoxes::gtkcheckbtn_ldmod, &HLQCheckBoxes::gtkcheckbtn_msrmod,
    &HLQCheckBoxes::gtkcheckbtn_printermod,
};

}  // namespace

void LoggingTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks) {
  HLQ_ReadPage(HLQPage::Logging);
  HLQ_ShowStoredFields(HLQPage::Logging, combos, nullptr, checks);
  HLQ_RememberPageFields(HLQPage::Logging, combos, nullptr, checks);
}

HLQPageWrites LoggingTab_CollectValues(HLQComboBoxes* combos, HLQCheckBoxes* checks) {
  return HLQ_CollectPage(HLQPage::Logging, combos, nullptr, checks);
}

ApplyReport LoggingTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks) {
  return LoggingTab_CollectValues(combos, checks).store();
}

void on_btnApply_logmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(LoggingTab_CollectValues(g_hlqComboBoxes, g_hlqCheckBoxes),
                _("Logging Settings Applied"), _("Logging Configuration"));
}

void on_btnDefault_logmodcfg_clicked(GtkButton*, gpointer) {
  gtk_combo_box_set_active(g_hlqComboBoxes->gtkchboxt_loglevel, 0);
  for (auto box : kModules) HLQ_SetChecked(g_hlqCheckBoxes->*box, true);
}

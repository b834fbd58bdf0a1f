#include "pages/logging_page.h"

#include <glib/gi18n-lib.h>

#include "app/page_apply.h"
#include "config/fixed_paths.h"
#include "config/config_layout.h"
#include "config/xml_config.h"
#include "pages/page_writes.h"

namespace {

// The module switches in the order they are read and written. The printer's
// box is second in the registry but its key comes last: pair by this table.
struct ModuleSwitch {
  const char* key;
  GtkCheckButton* HLQCheckBoxes::*box;
};

constexpr ModuleSwitch kModules[] = {
    {kwn::MODULE_SERVICE, &HLQCheckBoxes::gtkcheckbtn_hlqsvc},
    {kwn::MODULE_CD, &HLQCheckBoxes::gtkcheckbtn_cdusbmod},
    {kwn::MODULE_LD, &HLQCheckBoxes::gtkcheckbtn_ldmod},
    {kwn::MODULE_MSR, &HLQCheckBoxes::gtkcheckbtn_msrmod},
    {kwn::MODULE_PRINTER_USB, &HLQCheckBoxes::gtkcheckbtn_printermod},
};

std::optional<std::string> read(HXMLWRAPPER config, const char* key) {
  return xmlwrapper_ReadXMLNodeValue(config, HLQ_LoggingConfigPath(), kwn::LOGGING, key);
}

}  // namespace

void LoggingTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks) {
  HXMLWRAPPER config = xmlwrapper_create();
  // -1 or a number past the last item leaves no selection; GTK itself
  // refuses numbers below -1 and keeps what the UI file set up.
  int level = HLQ_ParseNumber(read(config, kwn::LOG_LEVEL));
  if (level >= -1) gtk_combo_box_set_active(combos->gtkchboxt_loglevel, level);
  for (const auto& module : kModules)
    HLQ_SetChecked(checks->*module.box, HLQ_IsLoggingBoolOn(read(config, module.key)));
  xmlwrapper_destroy(config);
}

// Everything is taken from the widgets before anything is written.
HLQPageWrites LoggingTab_CollectValues(HLQComboBoxes* combos, HLQCheckBoxes* checks) {
  HLQPageWrites writes(HLQ_LoggingConfigPath());
  writes.text(kwn::LOGGING, kwn::LOG_LEVEL,
              HLQ_NumberText(gtk_combo_box_get_active(combos->gtkchboxt_loglevel)),
              GTK_WIDGET(combos->gtkchboxt_loglevel));
  for (const auto& module : kModules)
    writes.text(kwn::LOGGING, module.key, HLQ_LoggingBoolText(HLQ_IsChecked(checks->*module.box)),
                GTK_WIDGET(checks->*module.box));
  return writes;
}

ApplyReport LoggingTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks) {
  return LoggingTab_CollectValues(combos, checks).store();
}

void on_btnApply_logmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(HLQPage::Logging, LoggingTab_CollectValues(g_hlqComboBoxes, g_hlqCheckBoxes),
                _("Logging Settings Applied"), _("Logging Configuration"));
}

void on_btnDefault_logmodcfg_clicked(GtkButton*, gpointer) {
  gtk_combo_box_set_active(g_hlqComboBoxes->gtkchboxt_loglevel, 0);
  for (const auto& module : kModules) HLQ_SetChecked(g_hlqCheckBoxes->*module.box, true);
}

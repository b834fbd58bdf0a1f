// PLACEHOLDER: not built yet
#include "pages/logging_page.h"
void LoggingTab_ReadValuesforInit(HLQComboBoxes*, HLQCheckBoxes*) {}
void on_btnApply_logmodcfg_clicked(GtkButton*, gpointer) {}
void on_btnDefault_logmodcfg_clicked(GtkButton*, gpointer) {}

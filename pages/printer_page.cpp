// PLACEHOLDER: not built yet
#include "pages/printer_page.h"
void PrinterTab_ReadValuesforInit(HLQComboBoxes*, HLQCheckBoxes*, HLQEntries*) {}
void on_btnApply_printermodcfg_clicked(GtkButton*, gpointer) {}
void on_btnDefault_printermodcfg_clicked(GtkButton*, gpointer) {}
void on_btnClear_printermodcfg_clicked(GtkButton*, gpointer) {}
void on_cmbx_printermode_changed(GtkComboBox*, gpointer) {}

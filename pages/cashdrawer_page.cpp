// PLACEHOLDER: not built yet
#include "pages/cashdrawer_page.h"
void CashDrawerTab_ReadValuesforInit(HLQComboBoxes*, HLQEntries*) {}
void on_btnApply_cdmodcfg_clicked(GtkButton*, gpointer) {}
void on_btnClear_cdmodcfg_clicked(GtkButton*, gpointer) {}
void on_btnDemo_cdmodcfg_clicked(GtkButton*, gpointer) {}

// PLACEHOLDER: not built yet
#include "pages/linedisplay_page.h"
void LineDisplayTab_ReadValuesforInit(HLQComboBoxes*, HLQEntries*) {}
void on_btnApply_ldmodcfg_clicked(GtkButton*, gpointer) {}
void on_btnClear_ldmodcfg_clicked(GtkButton*, gpointer) {}
void on_btnDemo_ldmodcfg_clicked(GtkButton*, gpointer) {}

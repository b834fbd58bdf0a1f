// PLACEHOLDER: not built yet
#include "pages/msr_page.h"
void MSRTab_ReadValuesforInit(HLQComboBoxes*, HLQCheckBoxes*, HLQEntries*) {}
void on_btnApply_msrmodcfg_clicked(GtkButton*, gpointer) {}
void on_btnDefault_msrmodcfg_clicked(GtkButton*, gpointer) {}
void on_btnClear_msrmodcfg_clicked(GtkButton*, gpointer) {}
void on_btnDemo_msrmodcfg_clicked(GtkButton*, gpointer) {}
void on_chbox_carriagereturnenbld_msrmodcfg_clicked(GtkButton*, gpointer) {}
void on_chbox_headwrapper_msrmodcfg_clicked(GtkButton*, gpointer) {}
void on_chbox_tailwrapper_msrmodcfg_clicked(GtkButton*, gpointer) {}

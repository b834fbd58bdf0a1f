// The three widget registries: references to every widget the pages use, in
// a fixed order, bound once by ID from the UI file. They own no widget; the
// window does. The process-wide pointers are what the signal handlers use.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

struct HLQComboBoxes {
  GtkComboBoxText* gtkcboxt_printerport;
  GtkComboBoxText* gtkcboxt_msrport;
  GtkComboBoxText* gtkcbox_cdport;
  GtkComboBoxText* gtkchboxt_ldport;
  GtkComboBox* gtkchboxt_loglevel;
  GtkComboBoxText* gtkcboxt_codepage;
  GtkComboBox* gtckboxt_printermode;
};

struct HLQEntries {
  GtkEntry* gtkedt_printerpid;
  GtkEntry* gtkedt_prntervid;
  GtkEntry* gtkedt_printerserial;
  GtkEntry* gtkedt_cd1pid;
  GtkEntry* gtkedt_cd1vid;
  GtkEntry* gtkedt_cd1serial;
  GtkEntry* gtkedt_cd2pid;
  GtkEntry* gtkedt_cd2vid;
  GtkEntry* gtkedt_cd2serial;
  GtkEntry* gtkentry_ldpid;
  GtkEntry* gtkentry_ldvid;
  GtkEntry* gtkedt_ldserial;
  GtkEntry* gtkentry_startsentinelt1;
  GtkEntry* gtkentry_startsentinelt2;
  GtkEntry* gtkentry_startsentinelt3;
  GtkEntry* gtkentry_endsentinel;
  GtkEntry* gtkentry_tailwrapper;
  GtkEntry* gtkentry_headwrapper;
};

struct HLQCheckBoxes {
  GtkCheckButton* gtkcheckbtn_hlqsvc;
  GtkCheckButton* gtkcheckbtn_printermod;
  GtkCheckButton* gtkcheckbtn_cdusbmod;
  GtkCheckButton* gtkcheckbtn_ldmod;
  GtkCheckButton* gtkcheckbtn_msrmod;
  GtkCheckButton* gtkchbox_usnolicitedstatus;
  GtkCheckButton* gtkcheckbtn_rawdatamode;
  GtkCheckButton* gtkcheckbtn_carriageretunrenbld;
  GtkCheckButton* gtkcheckbtn_track1enbld;
  GtkCheckButton* gtkcheckbnt_track2enbld;
  GtkCheckButton* gtkcheckbtn_track3enbld;
  GtkCheckButton* gtkcheckbtn_stripsentinels;
  GtkCheckButton* gtkcheckbtn_hideerrtraks;
  GtkCheckButton* gtkcheckbtn_headwrapper;
  GtkCheckButton* gtkcheckbtn_tailwrapper;
  GtkCheckButton* gtkcheckbtn_crtrack1enbld;
  GtkCheckButton* gtkcheckbtn_crtrack2enbld;
  GtkCheckButton* gtkcheckbtn_crtrack3en;
};

void HLQCT_SetComboBoxesHandler(GtkBuilder* builder, HLQComboBoxes* combos);
void HLQCT_SetEntriesHandler(GtkBuilder* builder, HLQEntries* entries);
void HLQCT_SetCheckBoxesHandler(GtkBuilder* builder, HLQCheckBoxes* checks);

// Every registry ID that the builder lacks or holds with the wrong type, as
// "ID (missing)" or "ID (GtkLabel, not GtkEntry)". Empty when all are bound.
std::vector<std::string> HLQCT_FindRegistryProblems(GtkBuilder* builder);
// The same for one widget: its problem, or "" when it is there with a type
// derived from `expected`.
std::string HLQCT_WidgetProblem(GtkBuilder* builder, const char* id, GType expected);

// Set by main for the life of the process; the handlers work on these.
extern HLQComboBoxes* g_hlqComboBoxes;
extern HLQEntries* g_hlqEntries;
extern HLQCheckBoxes* g_hlqCheckBoxes;

// Small conveniences over the toggle-button and entry operations.
inline bool HLQ_IsChecked(GtkCheckButton* b) {
  return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(b));
}
inline void HLQ_SetChecked(GtkCheckButton* b, bool on) {
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(b), on);
}

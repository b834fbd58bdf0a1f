#include "app/registries.h"

#include <glib/gi18n-lib.h>

HLQComboBoxes* g_hlqComboBoxes = nullptr;
HLQEntries* g_hlqEntries = nullptr;
HLQCheckBoxes* g_hlqCheckBoxes = nullptr;

namespace {

// One registry field: the widget ID, where its reference goes, its type.
struct Binding {
  const char* id;
  GtkWidget** field;
  GType (*type)();
};

void bind(GtkBuilder* builder, const Binding& b) {
  GObject* object = gtk_builder_get_object(builder, b.id);
  *b.field = reinterpret_cast<GtkWidget*>(g_type_check_instance_cast(
      reinterpret_cast<GTypeInstance*>(object), b.type()));
}

// One table per registry, in field order: the single place that names the IDs.
#define HLQ_COMBO(field, type) {#field, reinterpret_cast<GtkWidget**>(&c->field), type}
#define HLQ_ENTRY(field) {#field, reinterpret_cast<GtkWidget**>(&e->field), gtk_entry_get_type}
#define HLQ_CHECK(field) \
  {#field, reinterpret_cast<GtkWidget**>(&k->field), gtk_check_button_get_type}

std::vector<Binding> comboBindings(HLQComboBoxes* c) {
  return {HLQ_COMBO(gtkcboxt_printerport, gtk_combo_box_text_get_type),
          HLQ_COMBO(gtkcboxt_msrport, gtk_combo_box_text_get_type),
          HLQ_COMBO(gtkcbox_cdport, gtk_combo_box_text_get_type),
          HLQ_COMBO(gtkchboxt_ldport, gtk_combo_box_text_get_type),
          HLQ_COMBO(gtkchboxt_loglevel, gtk_combo_box_get_type),
          HLQ_COMBO(gtkcboxt_codepage, gtk_combo_box_text_get_type),
          HLQ_COMBO(gtckboxt_printermode, gtk_combo_box_get_type)};
}

std::vector<Binding> entryBindings(HLQEntries* e) {
  return {HLQ_ENTRY(gtkedt_printerpid),        HLQ_ENTRY(gtkedt_prntervid),
          HLQ_ENTRY(gtkedt_printerserial),     HLQ_ENTRY(gtkedt_cd1pid),
          HLQ_ENTRY(gtkedt_cd1vid),            HLQ_ENTRY(gtkedt_cd1serial),
          HLQ_ENTRY(gtkedt_cd2pid),            HLQ_ENTRY(gtkedt_cd2vid),
          HLQ_ENTRY(gtkedt_cd2serial),         HLQ_ENTRY(gtkentry_ldpid),
          HLQ_ENTRY(gtkentry_ldvid),           HLQ_ENTRY(gtkedt_ldserial),
          HLQ_ENTRY(gtkentry_startsentinelt1), HLQ_ENTRY(gtkentry_startsentinelt2),
          HLQ_ENTRY(gtkentry_startsentinelt3), HLQ_ENTRY(gtkentry_endsentinel),
          HLQ_ENTRY(gtkentry_tailwrapper),     HLQ_ENTRY(gtkentry_headwrapper)};
}

std::vector<Binding> checkBindings(HLQCheckBoxes* k) {
  return {HLQ_CHECK(gtkcheckbtn_hlqsvc),
          HLQ_CHECK(gtkcheckbtn_printermod),
          HLQ_CHECK(gtkcheckbtn_cdusbmod),
          HLQ_CHECK(gtkcheckbtn_ldmod),
          HLQ_CHECK(gtkcheckbtn_msrmod),
          HLQ_CHECK(gtkchbox_usnolicitedstatus),
          HLQ_CHECK(gtkcheckbtn_rawdatamode),
          HLQ_CHECK(gtkcheckbtn_carriageretunrenbld),
          HLQ_CHECK(gtkcheckbtn_track1enbld),
          HLQ_CHECK(gtkcheckbnt_track2enbld),
          HLQ_CHECK(gtkcheckbtn_track3enbld),
          HLQ_CHECK(gtkcheckbtn_stripsentinels),
          HLQ_CHECK(gtkcheckbtn_hideerrtraks),
          HLQ_CHECK(gtkcheckbtn_headwrapper),
          HLQ_CHECK(gtkcheckbtn_tailwrapper),
          HLQ_CHECK(gtkcheckbtn_crtrack1enbld),
          HLQ_CHECK(gtkcheckbtn_crtrack2enbld),
          HLQ_CHECK(gtkcheckbtn_crtrack3en)};
}

void bindAll(GtkBuilder* builder, const std::vector<Binding>& bindings) {
  for (const auto& b : bindings) bind(builder, b);
}

void collectProblems(GtkBuilder* builder, const std::vector<Binding>& bindings,
                     std::vector<std::string>* problems) {
  for (const auto& b : bindings) {
    std::string problem = HLQCT_WidgetProblem(builder, b.id, b.type());
    if (!problem.empty()) problems->push_back(problem);
  }
}

}  // namespace

std::string HLQCT_WidgetProblem(GtkBuilder* builder, const char* id, GType expected) {
  GObject* object = gtk_builder_get_object(builder, id);
  if (object && g_type_is_a(G_OBJECT_TYPE(object), expected)) return "";
  g_autofree gchar* problem =
      object ? g_strdup_printf(
                   // TRANSLATORS: the widget ID, its type in the UI file, the type the tool needs.
                   _("%s (%s, not %s)"), id, G_OBJECT_TYPE_NAME(object), g_type_name(expected))
             // TRANSLATORS: %s is a widget ID of the UI definition file.
             : g_strdup_printf(_("%s (missing)"), id);
  return problem;
}

void HLQCT_SetComboBoxesHandler(GtkBuilder* builder, HLQComboBoxes* combos) {
  bindAll(builder, comboBindings(combos));
}

void HLQCT_SetEntriesHandler(GtkBuilder* builder, HLQEntries* entries) {
  bindAll(builder, entryBindings(entries));
}

void HLQCT_SetCheckBoxesHandler(GtkBuilder* builder, HLQCheckBoxes* checks) {
  bindAll(builder, checkBindings(checks));
}

std::vector<std::string> HLQCT_FindRegistryProblems(GtkBuilder* builder) {
  HLQComboBoxes c{};
  HLQEntries e{};
  HLQCheckBoxes k{};
  std::vector<std::string> problems;
  collectProblems(builder, comboBindings(&c), &problems);
  collectProblems(builder, entryBindings(&e), &problems);
  collectProblems(builder, checkBindings(&k), &problems);
  return problems;
}

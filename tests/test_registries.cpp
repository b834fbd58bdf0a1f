// The widget registries and the UI definition file they are bound from: every
// registry field finds its widget with the right type, the file connects
// exactly the tool's handlers, and the window is usable by keyboard and
// screen reader (every field labelled, mnemonics reachable).
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/page_views.h"
#include "app/registries.h"
#include "app/shutdown.h"
#include "devices/port_mapping.h"
#include "pages/cashdrawer_page.h"
#include "pages/device_fields.h"
#include "pages/linedisplay_page.h"
#include "pages/logging_page.h"
#include "pages/msr_page.h"
#include "model/page_model.h"
#include "pages/printer_page.h"
#include "hlqctl/change_input.h"
#include "pages/field_checks.h"
#include "pages/field_label.h"
#include "pages/page_state.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_fixture.h"
#include "model/value_changes.h"

namespace {

// ---------------------------------------------------------------- helpers

struct Field {
  const char* id;
  GtkWidget* widget;
  GType type;
};

#define HLQ_FIELD(reg, name, type) Field{#name, GTK_WIDGET((reg).name), type}

// Every field of the three registries, in field order, with its stated type.
std::vector<Field> registryFields(const LoadedUi& ui) {
  const HLQComboBoxes& c = ui.combos;
  const HLQEntries& e = ui.entries;
  const HLQCheckBoxes& k = ui.checks;
  const GType text = GTK_TYPE_COMBO_BOX_TEXT, combo = GTK_TYPE_COMBO_BOX;
  const GType entry = GTK_TYPE_ENTRY, check = GTK_TYPE_CHECK_BUTTON;
  return {
      HLQ_FIELD(c, gtkcboxt_printerport, text), HLQ_FIELD(c, gtkcboxt_msrport, text),
      HLQ_FIELD(c, gtkcbox_cdport, text), HLQ_FIELD(c, gtkchboxt_ldport, text),
      HLQ_FIELD(c, gtkchboxt_loglevel, combo), HLQ_FIELD(c, gtkcboxt_codepage, text),
      HLQ_FIELD(c, gtckboxt_printermode, combo),
      HLQ_FIELD(e, gtkedt_printerpid, entry), HLQ_FIELD(e, gtkedt_prntervid, entry),
      HLQ_FIELD(e, gtkedt_printerserial, entry), HLQ_FIELD(e, gtkedt_cd1pid, entry),
      HLQ_FIELD(e, gtkedt_cd1vid, entry), HLQ_FIELD(e, gtkedt_cd1serial, entry),
      HLQ_FIELD(e, gtkedt_cd2pid, entry), HLQ_FIELD(e, gtkedt_cd2vid, entry),
      HLQ_FIELD(e, gtkedt_cd2serial, entry), HLQ_FIELD(e, gtkentry_ldpid, entry),
      HLQ_FIELD(e, gtkentry_ldvid, entry), HLQ_FIELD(e, gtkedt_ldserial, entry),
      HLQ_FIELD(e, gtkentry_startsentinelt1, entry), HLQ_FIELD(e, gtkentry_startsentinelt2, entry),
      HLQ_FIELD(e, gtkentry_startsentinelt3, entry), HLQ_FIELD(e, gtkentry_endsentinel, entry),
      HLQ_FIELD(e, gtkentry_tailwrapper, entry), HLQ_FIELD(e, gtkentry_headwrapper, entry),
      HLQ_FIELD(k, gtkcheckbtn_hlqsvc, check), HLQ_FIELD(k, gtkcheckbtn_printermod, check),
      HLQ_FIELD(k, gtkcheckbtn_cdusbmod, check), HLQ_FIELD(k, gtkcheckbtn_ldmod, check),
      HLQ_FIELD(k, gtkcheckbtn_msrmod, check), HLQ_FIELD(k, gtkchbox_usnolicitedstatus, check),
      HLQ_FIELD(k, gtkcheckbtn_rawdatamode, check),
      HLQ_FIELD(k, gtkcheckbtn_carriageretunrenbld, check),
      HLQ_FIELD(k, gtkcheckbtn_track1enbld, check), HLQ_FIELD(k, gtkcheckbnt_track2enbld, check),
      HLQ_FIELD(k, gtkcheckbtn_track3enbld, check), HLQ_FIELD(k, gtkcheckbtn_stripsentinels, check),
      HLQ_FIELD(k, gtkcheckbtn_hideerrtraks, check), HLQ_FIELD(k, gtkcheckbtn_headwrapper, check),
      HLQ_FIELD(k, gtkcheckbtn_tailwrapper, check), HLQ_FIELD(k, gtkcheckbtn_crtrack1enbld, check),
      HLQ_FIELD(k, gtkcheckbtn_crtrack2enbld, check), HLQ_FIELD(k, gtkcheckbtn_crtrack3en, check),
  };
}

// The list above must cover every field: a field added to a registry without
// a line here would go untested.
static_assert(sizeof(HLQComboBoxes) == 7 * sizeof(void*), "combo box registry has 7 fields");
static_assert(sizeof(HLQEntries) == 18 * sizeof(void*), "entry registry has 18 fields");
static_assert(sizeof(HLQCheckBoxes) == 18 * sizeof(void*), "check box registry has 18 fields");

// A widget and everything below it that the UI file places: container
// children, frame headings and notebook tabs.
void collectWidgets(GtkWidget* widget, std::vector<GtkWidget*>* out) {
  out->push_back(widget);
  if (GTK_IS_FRAME(widget)) {
    if (GtkWidget* heading = gtk_frame_get_label_widget(GTK_FRAME(widget)))
      collectWidgets(heading, out);
  }
  if (GTK_IS_NOTEBOOK(widget)) {
    GtkNotebook* notebook = GTK_NOTEBOOK(widget);
    for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i)
      collectWidgets(gtk_notebook_get_tab_label(notebook, gtk_notebook_get_nth_page(notebook, i)),
                     out);
  }
  if (!GTK_IS_CONTAINER(widget)) return;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* l = children; l; l = l->next) collectWidgets(GTK_WIDGET(l->data), out);
  g_list_free(children);
}

std::vector<GtkWidget*> widgetsBelow(GtkWidget* root) {
  std::vector<GtkWidget*> all;
  collectWidgets(root, &all);
  return all;
}

GtkNotebook* notebookOf(GtkWidget* window) {
  for (GtkWidget* w : widgetsBelow(window))
    if (GTK_IS_NOTEBOOK(w)) return GTK_NOTEBOOK(w);
  return nullptr;
}

std::string tabLabel(GtkNotebook* notebook, int page) {
  const char* text =
      gtk_notebook_get_tab_label_text(notebook, gtk_notebook_get_nth_page(notebook, page));
  return text ? text : "";
}

// The text the user sees for a widget: a button's own label, else the
// label that names it through mnemonic-widget.
std::string visibleName(GtkWidget* widget) {
  if (GTK_IS_BUTTON(widget)) {
    const char* label = gtk_button_get_label(GTK_BUTTON(widget));
    return label ? label : "";
  }
  GList* labels = gtk_widget_list_mnemonic_labels(widget);
  std::string name = labels ? gtk_label_get_label(GTK_LABEL(labels->data)) : "";
  g_list_free(labels);
  return name;
}

// The heading of the frame that holds the widget, if any.
std::string frameHeading(GtkWidget* widget) {
  for (GtkWidget* w = gtk_widget_get_parent(widget); w; w = gtk_widget_get_parent(w))
    if (GTK_IS_FRAME(w)) {
      const char* heading = gtk_frame_get_label(GTK_FRAME(w));
      return heading ? heading : "";
    }
  return "";
}

// ------------------------------------------------- registries and their IDs

TEST(Registries, EveryFieldIsBoundToAWidgetOfItsStatedTypeInsideTheWindow) {
  LoadedUi ui;
  ASSERT_NE(ui.window(), nullptr);
  std::set<GtkWidget*> seen;
  for (const Field& f : registryFields(ui)) {
    SCOPED_TRACE(f.id);
    ASSERT_NE(f.widget, nullptr);
    EXPECT_TRUE(G_TYPE_CHECK_INSTANCE_TYPE(f.widget, f.type))
        << G_OBJECT_TYPE_NAME(f.widget) << " is not a " << g_type_name(f.type);
    EXPECT_EQ(G_OBJECT(f.widget), gtk_builder_get_object(ui.builder(), f.id));
    // The window keeps the widget alive once the builder is released.
    EXPECT_EQ(gtk_widget_get_toplevel(f.widget), ui.window());
    EXPECT_TRUE(seen.insert(f.widget).second) << "bound twice";
  }
}

TEST(Registries, TheTwoPositionSelectorsArePlainComboBoxesThatShowTheirItems) {
  LoadedUi ui;
  for (GtkComboBox* combo : {ui.combos.gtkchboxt_loglevel, ui.combos.gtckboxt_printermode}) {
    SCOPED_TRACE(gtk_buildable_get_name(GTK_BUILDABLE(combo)));
    EXPECT_FALSE(GTK_IS_COMBO_BOX_TEXT(combo));
    std::vector<std::string> items = HLQTest_ComboItems(combo);
    EXPECT_GE(items.size(), 2u);
    EXPECT_EQ(std::set<std::string>(items.begin(), items.end()).size(), items.size())
        << "two items with the same name cannot be told apart";
    for (const std::string& item : items) EXPECT_FALSE(item.empty());
    // Without a text renderer the items would show as blank rows.
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(combo));
    ASSERT_NE(cells, nullptr);
    EXPECT_TRUE(GTK_IS_CELL_RENDERER_TEXT(cells->data));
    g_list_free(cells);
  }
}

TEST(Registries, IrregularIdsAreMatchedLetterForLetter) {
  LoadedUi ui;
  // Each irregular ID next to the form its neighbours would suggest: only
  // the irregular one exists.
  const std::vector<std::pair<const char*, const char*>> pairs = {
      {"gtckboxt_printermode", "gtkcboxt_printermode"},
      {"gtkcbox_cdport", "gtkcboxt_cdport"},
      {"gtkchboxt_ldport", "gtkcboxt_ldport"},
      {"gtkchboxt_loglevel", "gtkcboxt_loglevel"},
      {"gtkedt_prntervid", "gtkedt_printervid"},
      {"gtkentry_ldpid", "gtkedt_ldpid"},
      {"gtkentry_ldvid", "gtkedt_ldvid"},
      {"gtkcheckbnt_track2enbld", "gtkcheckbtn_track2enbld"},
      {"gtkchbox_usnolicitedstatus", "gtkchbox_unsolicitedstatus"},
      {"gtkcheckbtn_carriageretunrenbld", "gtkcheckbtn_carriagereturnenbld"},
      {"gtkcheckbtn_hideerrtraks", "gtkcheckbtn_hideerrtracks"},
      {"gtkcheckbtn_crtrack3en", "gtkcheckbtn_crtrack3enbld"},
  };
  for (const auto& [irregular, regular] : pairs) {
    EXPECT_NE(gtk_builder_get_object(ui.builder(), irregular), nullptr) << irregular;
    EXPECT_EQ(gtk_builder_get_object(ui.builder(), regular), nullptr) << regular;
  }
  EXPECT_EQ(G_OBJECT(ui.checks.gtkcheckbnt_track2enbld),
            gtk_builder_get_object(ui.builder(), "gtkcheckbnt_track2enbld"));
}

TEST(Registries, NumberedWidgetsSitWhereTheirNumberIsShown) {
  // A swapped ID (the track 2 box bound to track 3's key, drawer 1's serial
  // shown under drawer 2) would write the user's choice to the wrong key.
  LoadedUi ui;
  const std::vector<std::pair<GtkWidget*, char>> numbered = {
      {GTK_WIDGET(ui.checks.gtkcheckbtn_track1enbld), '1'},
      {GTK_WIDGET(ui.checks.gtkcheckbnt_track2enbld), '2'},
      {GTK_WIDGET(ui.checks.gtkcheckbtn_track3enbld), '3'},
      {GTK_WIDGET(ui.checks.gtkcheckbtn_crtrack1enbld), '1'},
      {GTK_WIDGET(ui.checks.gtkcheckbtn_crtrack2enbld), '2'},
      {GTK_WIDGET(ui.checks.gtkcheckbtn_crtrack3en), '3'},
      {GTK_WIDGET(ui.entries.gtkentry_startsentinelt1), '1'},
      {GTK_WIDGET(ui.entries.gtkentry_startsentinelt2), '2'},
      {GTK_WIDGET(ui.entries.gtkentry_startsentinelt3), '3'},
      {GTK_WIDGET(ui.entries.gtkedt_cd1pid), '1'},
      {GTK_WIDGET(ui.entries.gtkedt_cd1vid), '1'},
      {GTK_WIDGET(ui.entries.gtkedt_cd1serial), '1'},
      {GTK_WIDGET(ui.entries.gtkedt_cd2pid), '2'},
      {GTK_WIDGET(ui.entries.gtkedt_cd2vid), '2'},
      {GTK_WIDGET(ui.entries.gtkedt_cd2serial), '2'},
  };
  for (const auto& [widget, digit] : numbered) {
    std::string shown = visibleName(widget) + " / " + frameHeading(widget);
    SCOPED_TRACE(gtk_buildable_get_name(GTK_BUILDABLE(widget)));
    EXPECT_NE(shown.find(digit), std::string::npos) << shown;
    for (char other : {'1', '2', '3'}) {
      if (other != digit) {
        EXPECT_EQ(shown.find(other), std::string::npos) << shown;
      }
    }
  }
}

TEST(RegistryProblems, NoneForTheRealFile) {
  LoadedUi ui;
  std::vector<std::string> problems = HLQCT_FindRegistryProblems(ui.builder());
  EXPECT_TRUE(problems.empty()) << problems.front();
  problems = HLQ_FieldProblems(ui.builder());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST(RegistryProblems, NamesEachMissingAndEachWrongTypedId) {
  const char* broken = R"(<interface>
    <object class="GtkWindow" id="gtkwindow_hlqconfigtool">
      <child><object class="GtkBox" id="box">
        <child><object class="GtkLabel" id="gtkedt_printerpid"/></child>
        <child><object class="GtkComboBox" id="gtkcboxt_codepage"/></child>
        <child><object class="GtkComboBoxText" id="gtckboxt_printermode"/></child>
        <child><object class="GtkToggleButton" id="gtkcheckbtn_hlqsvc"/></child>
        <child><object class="GtkCheckButton" id="gtkcheckbtn_track2enbld"/></child>
      </object></child>
    </object>
  </interface>)";
  GtkBuilder* builder = gtk_builder_new();
  GError* error = nullptr;
  ASSERT_TRUE(gtk_builder_add_from_string(builder, broken, -1, &error));
  std::vector<std::string> problems = HLQCT_FindRegistryProblems(builder);
  std::set<std::string> found(problems.begin(), problems.end());

  EXPECT_TRUE(found.count("gtkedt_printerpid (GtkLabel, not GtkEntry)"));
  EXPECT_TRUE(found.count("gtkcboxt_codepage (GtkComboBox, not GtkComboBoxText)"));
  EXPECT_TRUE(found.count("gtkcheckbtn_hlqsvc (GtkToggleButton, not GtkCheckButton)"));
  // The neighbours' spelling does not stand in for the real ID.
  EXPECT_TRUE(found.count("gtkcheckbnt_track2enbld (missing)"));
  EXPECT_TRUE(found.count("gtkentry_tailwrapper (missing)"));
  // A subclass of the stated type is accepted.
  for (const std::string& p : problems) EXPECT_EQ(p.find("gtckboxt_printermode"), std::string::npos);
  // 43 IDs, 4 of them present: 39 missing and 3 of the wrong type.
  EXPECT_EQ(problems.size(), 42u);
  // The fields' table is checked by the kind of value each shows.
  problems = HLQ_FieldProblems(builder);
  found = std::set<std::string>(problems.begin(), problems.end());
  EXPECT_TRUE(found.count("gtkedt_printerpid (GtkLabel, not GtkEntry)"));
  EXPECT_TRUE(found.count("gtkentry_tailwrapper (missing)"));
  EXPECT_FALSE(found.count("gtkcboxt_codepage (GtkComboBox, not GtkComboBoxText)"));

  gtk_widget_destroy(GTK_WIDGET(gtk_builder_get_object(builder, "gtkwindow_hlqconfigtool")));
  g_object_unref(builder);
}

// ------------------------------------------------------------ signal handlers

struct HandlerUse {
  std::string objectClass;
  std::string objectId;  // empty where the file chooses the ID (the buttons)
  std::string signal;
};

const std::map<std::string, HandlerUse>& expectedHandlers() {
  static const std::map<std::string, HandlerUse> handlers = {
      {"on_gtkwindow_hlqconfigtool_destroy", {"GtkWindow", "gtkwindow_hlqconfigtool", "destroy"}},
      {"on_btnApply_printermodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnDefault_printermodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnDemo_printermodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnClear_printermodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_cmbx_printermode_changed", {"GtkComboBox", "gtckboxt_printermode", "changed"}},
      {"on_btnApply_cdmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnDemo_cdmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnClear_cdmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnApply_ldmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnDemo_ldmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnClear_ldmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnApply_msrmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnDefault_msrmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnDemo_msrmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnClear_msrmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_chbox_carriagereturnenbld_msrmodcfg_clicked",
       {"GtkCheckButton", "gtkcheckbtn_carriageretunrenbld", "clicked"}},
      {"on_chbox_headwrapper_msrmodcfg_clicked",
       {"GtkCheckButton", "gtkcheckbtn_headwrapper", "clicked"}},
      {"on_chbox_tailwrapper_msrmodcfg_clicked",
       {"GtkCheckButton", "gtkcheckbtn_tailwrapper", "clicked"}},
      {"on_btnApply_logmodcfg_clicked", {"GtkButton", "", "clicked"}},
      {"on_btnDefault_logmodcfg_clicked", {"GtkButton", "", "clicked"}},
  };
  return handlers;
}

// Every <signal> of the file, keyed by handler, with the object it sits on.
std::multimap<std::string, HandlerUse> signalsInFile(const tinyxml2::XMLElement* element,
                                                     const tinyxml2::XMLElement* owner = nullptr) {
  std::multimap<std::string, HandlerUse> found;
  for (const tinyxml2::XMLElement* e = element->FirstChildElement(); e;
       e = e->NextSiblingElement()) {
    if (std::string(e->Name()) == "signal" && owner) {
      const char* id = owner->Attribute("id");
      found.insert({e->Attribute("handler") ? e->Attribute("handler") : "",
                    {owner->Attribute("class"), id ? id : "", e->Attribute("name")}});
    }
    const tinyxml2::XMLElement* nextOwner = std::string(e->Name()) == "object" ? e : owner;
    found.merge(signalsInFile(e, nextOwner));
  }
  return found;
}

TEST(UiFileSignals, NamesExactlyTheToolsHandlersEachOnItsWidgetAndSignal) {
  tinyxml2::XMLDocument doc;
  ASSERT_EQ(doc.LoadFile(HLQTest_SourceUiFile()), tinyxml2::XML_SUCCESS);
  std::multimap<std::string, HandlerUse> found = signalsInFile(doc.RootElement());
  const auto& expected = expectedHandlers();
  EXPECT_EQ(expected.size(), 21u);
  EXPECT_EQ(found.size(), expected.size());
  for (const auto& [handler, use] : found) {
    SCOPED_TRACE(handler);
    auto it = expected.find(handler);
    ASSERT_NE(it, expected.end()) << "a handler the tool does not have";
    EXPECT_EQ(found.count(handler), 1u);
    EXPECT_EQ(use.objectClass, it->second.objectClass);
    EXPECT_EQ(use.signal, it->second.signal);
    if (!it->second.objectId.empty()) {
      EXPECT_EQ(use.objectId, it->second.objectId);
    }
  }
}

bool hasHandler(gpointer instance, const char* signal, gpointer function) {
  guint id = g_signal_lookup(signal, G_OBJECT_TYPE(instance));
  return g_signal_handler_find(instance,
                               static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_FUNC),
                               id, 0, nullptr, function, nullptr) != 0;
}

#define HLQ_FN(f) reinterpret_cast<gpointer>(&f)

TEST(UiFileSignals, HandlersAreConnectedOnlyByConnectionEachToItsWidget) {
  LoadedUi ui;
  GtkWidget* msrChecks[] = {GTK_WIDGET(ui.checks.gtkcheckbtn_carriageretunrenbld),
                            GTK_WIDGET(ui.checks.gtkcheckbtn_headwrapper),
                            GTK_WIDGET(ui.checks.gtkcheckbtn_tailwrapper)};
  guint clicked = g_signal_lookup("clicked", GTK_TYPE_BUTTON);
  // Filling the page before the connection must run no handler.
  for (GtkWidget* check : msrChecks)
    EXPECT_FALSE(g_signal_has_handler_pending(check, clicked, 0, TRUE));
  EXPECT_FALSE(g_signal_has_handler_pending(
      ui.combos.gtckboxt_printermode, g_signal_lookup("changed", GTK_TYPE_COMBO_BOX), 0, TRUE));

  // Warnings are fatal here: a handler the binary lacks would abort the run.
  ui.connectSignals();

  for (GtkWidget* check : msrChecks)
    EXPECT_TRUE(g_signal_has_handler_pending(check, clicked, 0, TRUE));
  EXPECT_TRUE(hasHandler(ui.checks.gtkcheckbtn_carriageretunrenbld, "clicked",
                         HLQ_FN(on_chbox_carriagereturnenbld_msrmodcfg_clicked)));
  EXPECT_TRUE(hasHandler(ui.checks.gtkcheckbtn_headwrapper, "clicked",
                         HLQ_FN(on_chbox_headwrapper_msrmodcfg_clicked)));
  EXPECT_TRUE(hasHandler(ui.checks.gtkcheckbtn_tailwrapper, "clicked",
                         HLQ_FN(on_chbox_tailwrapper_msrmodcfg_clicked)));
  EXPECT_TRUE(hasHandler(ui.combos.gtckboxt_printermode, "changed",
                         HLQ_FN(on_cmbx_printermode_changed)));
  EXPECT_TRUE(hasHandler(ui.window(), "destroy", HLQ_FN(on_gtkwindow_hlqconfigtool_destroy)));

  const std::vector<std::tuple<const char*, const char*, gpointer>> buttons = {
      {"Printer", "_Apply", HLQ_FN(on_btnApply_printermodcfg_clicked)},
      {"Printer", "_Default", HLQ_FN(on_btnDefault_printermodcfg_clicked)},
      {"Printer", "_Clear", HLQ_FN(on_btnClear_printermodcfg_clicked)},
      {"Printer", "_Demo", HLQ_FN(on_btnDemo_printermodcfg_clicked)},
      {"Cash Drawer", "_Apply", HLQ_FN(on_btnApply_cdmodcfg_clicked)},
      {"Cash Drawer", "_Clear", HLQ_FN(on_btnClear_cdmodcfg_clicked)},
      {"Cash Drawer", "_Demo", HLQ_FN(on_btnDemo_cdmodcfg_clicked)},
      {"Line Display", "_Apply", HLQ_FN(on_btnApply_ldmodcfg_clicked)},
      {"Line Display", "_Clear", HLQ_FN(on_btnClear_ldmodcfg_clicked)},
      {"Line Display", "_Demo", HLQ_FN(on_btnDemo_ldmodcfg_clicked)},
      {"MSR", "_Apply", HLQ_FN(on_btnApply_msrmodcfg_clicked)},
      {"MSR", "_Default", HLQ_FN(on_btnDefault_msrmodcfg_clicked)},
      {"MSR", "_Clear", HLQ_FN(on_btnClear_msrmodcfg_clicked)},
      {"MSR", "_Demo", HLQ_FN(on_btnDemo_msrmodcfg_clicked)},
      {"Logging", "_Apply", HLQ_FN(on_btnApply_logmodcfg_clicked)},
      {"Logging", "_Default", HLQ_FN(on_btnDefault_logmodcfg_clicked)},
  };
  for (const auto& [tab, label, handler] : buttons) {
    SCOPED_TRACE(std::string(tab) + " " + label);
    GtkButton* button = ui.button(tab, label);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(hasHandler(button, "clicked", handler));
  }
}

// ------------------------------------------------------------ pages and items

TEST(UiFilePages, TabsAndButtonsPerPage) {
  LoadedUi ui;
  GtkNotebook* notebook = notebookOf(ui.window());
  ASSERT_NE(notebook, nullptr);
  const std::vector<std::pair<std::string, std::set<std::string>>> pages = {
      {"Printer", {"_Apply", "_Default", "_Clear", "_Demo"}},
      {"Cash Drawer", {"_Apply", "_Clear", "_Demo"}},
      {"Line Display", {"_Apply", "_Clear", "_Demo"}},
      {"MSR", {"_Apply", "_Default", "_Clear", "_Demo"}},
      {"Logging", {"_Apply", "_Default"}},
  };
  ASSERT_EQ(gtk_notebook_get_n_pages(notebook), static_cast<int>(pages.size()));
  for (size_t i = 0; i < pages.size(); ++i) {
    const auto& [tab, labels] = pages[i];
    SCOPED_TRACE(tab);
    EXPECT_EQ(tabLabel(notebook, static_cast<int>(i)), tab);
    std::set<std::string> shown;
    for (GtkWidget* w : widgetsBelow(gtk_notebook_get_nth_page(notebook, static_cast<int>(i)))) {
      if (!GTK_IS_BUTTON(w) || GTK_IS_TOGGLE_BUTTON(w)) continue;
      shown.insert(gtk_button_get_label(GTK_BUTTON(w)));
      EXPECT_TRUE(gtk_button_get_use_underline(GTK_BUTTON(w)));
      // Bottom right of the page: a button box that packs to the end.
      GtkWidget* box = gtk_widget_get_parent(w);
      ASSERT_TRUE(GTK_IS_BUTTON_BOX(box));
      EXPECT_EQ(gtk_button_box_get_layout(GTK_BUTTON_BOX(box)), GTK_BUTTONBOX_END);
    }
    EXPECT_EQ(shown, labels);
  }
}

TEST(UiFileItems, SelectorsCarryTheirItemsInOrder) {
  LoadedUi ui;
  using Items = std::vector<std::string>;
  EXPECT_EQ(HLQTest_ComboItems(GTK_COMBO_BOX(ui.combos.gtkcboxt_printerport)),
            (Items{"None", "/dev/ttyS10", "/dev/ttyS11", "/dev/ttyS12"}));
  EXPECT_EQ(HLQTest_ComboItems(GTK_COMBO_BOX(ui.combos.gtkcbox_cdport)),
            (Items{"None", "/dev/ttyS15", "/dev/ttyS16", "/dev/ttyS17"}));
  EXPECT_EQ(HLQTest_ComboItems(GTK_COMBO_BOX(ui.combos.gtkchboxt_ldport)),
            (Items{"None", "/dev/ttyS18", "/dev/ttyS19"}));
  EXPECT_EQ(HLQTest_ComboItems(GTK_COMBO_BOX(ui.combos.gtkcboxt_msrport)),
            (Items{"None", "/dev/ttyS20", "/dev/ttyS21"}));
  EXPECT_EQ(HLQTest_ComboItems(GTK_COMBO_BOX(ui.combos.gtkcboxt_codepage)),
            (Items{"437",  "858",  "863",  "860",  "865",  "Generic", "869",
                   "857",  "864",  "867",  "852",  "848",  "866",     "872",
                   "775",  "861",  "1250", "1251", "1252", "1253",    "1254",
                   "1255", "1256", "1257", "1258", "Printer Default"}));
  // The page stores the active item's text: the text combo box must hand
  // back exactly the item text (its text column is the first).
  gtk_combo_box_set_active(GTK_COMBO_BOX(ui.combos.gtkcboxt_printerport), 0);
  EXPECT_EQ(HLQTest_ActiveText(ui.combos.gtkcboxt_printerport), "None");
}

// The page model holds what each selector's page may store: a selector of
// the UI file with another item count or other ports would store a position
// or a port that the helper refuses.
TEST(UiFileItems, SelectorsAgreeWithThePageModel) {
  LoadedUi ui;
  auto choices = [](const HLQStoredValue& value) {
    std::vector<std::string> names;
    for (const char* const* c = value.choices; c && *c; ++c) names.push_back(*c);
    return names;
  };
  for (const auto& [name, combo] :
       std::vector<std::pair<const char*, GtkComboBox*>>{
           {"printer.emulation-mode", ui.combos.gtckboxt_printermode},
           {"logging.level", ui.combos.gtkchboxt_loglevel}}) {
    const HLQStoredValue* value = HLQ_FindStoredValueNamed(name);
    ASSERT_NE(value, nullptr) << name;
    EXPECT_EQ(HLQTest_ComboItems(combo).size(), static_cast<size_t>(value->choiceCount)) << name;
    EXPECT_EQ(choices(*value).size(), static_cast<size_t>(value->choiceCount)) << name;
  }
  for (const auto& [name, combo] :
       std::vector<std::pair<const char*, GtkComboBoxText*>>{
           {"printer.port", ui.combos.gtkcboxt_printerport},
           {"cash-drawer.port", ui.combos.gtkcbox_cdport},
           {"line-display.port", ui.combos.gtkchboxt_ldport},
           {"msr.port", ui.combos.gtkcboxt_msrport}}) {
    const HLQStoredValue* value = HLQ_FindStoredValueNamed(name);
    ASSERT_NE(value, nullptr) << name;
    std::vector<std::string> expected = {"None"};
    for (const char* const* port = value->choices; port && *port; ++port)
      expected.push_back(*port);
    EXPECT_EQ(HLQTest_ComboItems(GTK_COMBO_BOX(combo)), expected) << name;
    // What the window stores for each item is a text the model takes, and
    // a neighbour selector's port is not.
    for (const std::string& item : expected)
      EXPECT_TRUE(HLQ_CheckStoredText(*value, HLQCT_PortTextToStore(item.c_str()).c_str(), nullptr))
          << name << " " << item;
    for (const char* other : {"/dev/ttyS12", "/dev/ttyS17", "/dev/ttyS19", "/dev/ttyS21"}) {
      if (std::find(expected.begin(), expected.end(), other) == expected.end()) {
        EXPECT_FALSE(HLQ_CheckStoredText(*value, other, nullptr)) << name << " took " << other;
      }
    }
  }
  const HLQStoredValue* codePage = HLQ_FindStoredValueNamed("printer.code-page");
  ASSERT_NE(codePage, nullptr);
  EXPECT_LE(HLQTest_ComboItems(GTK_COMBO_BOX(ui.combos.gtkcboxt_codepage)).size(),
            static_cast<size_t>(codePage->choiceCount));
}

// --------------------------------------------------- labels and keyboard use

TEST(UiFileLabels, EveryFieldIsNamedByALabelWithAMnemonic) {
  LoadedUi ui;
  for (GtkWidget* w : widgetsBelow(ui.window())) {
    if (GTK_IS_LABEL(w) && gtk_label_get_mnemonic_widget(GTK_LABEL(w))) {
      SCOPED_TRACE(gtk_label_get_label(GTK_LABEL(w)));
      EXPECT_EQ(gtk_widget_get_toplevel(gtk_label_get_mnemonic_widget(GTK_LABEL(w))), ui.window());
      EXPECT_NE(gtk_label_get_mnemonic_keyval(GTK_LABEL(w)), static_cast<guint>(GDK_KEY_VoidSymbol));
    }
    if (GTK_IS_ENTRY(w) || GTK_IS_COMBO_BOX(w)) {
      SCOPED_TRACE(gtk_buildable_get_name(GTK_BUILDABLE(w)));
      GList* labels = gtk_widget_list_mnemonic_labels(w);
      ASSERT_NE(labels, nullptr) << "no label names this field";
      EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(labels->data)));
      EXPECT_STRNE(gtk_label_get_text(GTK_LABEL(labels->data)), "");
      g_list_free(labels);
    }
    if (GTK_IS_CHECK_BUTTON(w)) {
      SCOPED_TRACE(gtk_buildable_get_name(GTK_BUILDABLE(w)));
      GtkWidget* label = gtk_bin_get_child(GTK_BIN(w));
      ASSERT_TRUE(GTK_IS_LABEL(label));
      EXPECT_NE(gtk_label_get_mnemonic_keyval(GTK_LABEL(label)), static_cast<guint>(GDK_KEY_VoidSymbol));
    }
  }
}

// The key that reaches a widget or its label, with the text that shows it.
std::vector<std::pair<guint, std::string>> mnemonicsOf(GtkWidget* page) {
  std::vector<std::pair<guint, std::string>> keys;
  for (GtkWidget* w : widgetsBelow(page)) {
    if (!GTK_IS_LABEL(w)) continue;
    guint key = gtk_label_get_mnemonic_keyval(GTK_LABEL(w));
    if (key != GDK_KEY_VoidSymbol) keys.push_back({key, gtk_label_get_label(GTK_LABEL(w))});
  }
  return keys;
}

TEST(UiFileLabels, MnemonicLettersDoNotClashWithinAPage) {
  // Alt+letter must reach one field. The fixed button labels "_Default" and
  // "_Demo" share their letter; the per-track settings share the track's
  // digit on purpose, so that Alt+digit walks through that track's settings.
  LoadedUi ui;
  GtkNotebook* notebook = notebookOf(ui.window());
  ASSERT_NE(notebook, nullptr);
  for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i) {
    SCOPED_TRACE(tabLabel(notebook, i));
    std::map<guint, std::set<std::string>> owners;
    for (const auto& [key, text] : mnemonicsOf(gtk_notebook_get_nth_page(notebook, i)))
      owners[key].insert(text);
    for (const auto& [key, texts] : owners) {
      if (texts.size() < 2 || std::isdigit(static_cast<int>(key))) continue;
      EXPECT_EQ(texts, (std::set<std::string>{"_Default", "_Demo"}))
          << "several widgets answer to Alt+" << static_cast<char>(key);
    }
  }
}

// What a page gets once its file was not read: a notice, hidden again once
// read, and a "Try again" that a key reaches without clashing with a field
// of its page. Start-up builds none of it.
TEST(PageViews, EachPageGetsANoticeWhenNeededWithAFreeMnemonic) {
  LoadedUi ui;
  EXPECT_TRUE(HLQ_PageViewProblems(ui.builder()).empty());
  std::map<guint, std::set<std::string>> before[5];
  GtkNotebook* notebook = notebookOf(ui.window());
  ASSERT_NE(notebook, nullptr);
  for (int i = 0; i < 5; ++i)
    for (const auto& [key, text] : mnemonicsOf(gtk_notebook_get_nth_page(notebook, i)))
      before[i][key].insert(text);
  ui.addPageViews();
  const HLQPage pages[] = {HLQPage::Printer, HLQPage::CashDrawer, HLQPage::LineDisplay,
                           HLQPage::Msr, HLQPage::Logging};
  for (HLQPage page : pages) EXPECT_FALSE(HLQ_IsUnread(page, nullptr));
  for (const char* id : {"printermodcfg", "cdmodcfg", "ldmodcfg", "msrmodcfg", "logmodcfg"})
    for (GtkWidget* w : widgetsBelow(ui.window()))
      EXPECT_FALSE(GTK_IS_INFO_BAR(w)) << id << ": a notice built for a page that was read";
  for (HLQPage page : pages) {
    HLQ_ShowUnread(page, "/x", "why");
    HLQ_ShowRead(page);
  }
  for (const char* id : {"printermodcfg", "cdmodcfg", "ldmodcfg", "msrmodcfg", "logmodcfg"}) {
    SCOPED_TRACE(id);
    int page = -1;
    GtkWidget* retry = nullptr;
    for (int i = 0; i < 5; ++i)
      for (GtkWidget* w : widgetsBelow(gtk_notebook_get_nth_page(notebook, i))) {
        const char* name = gtk_buildable_get_name(GTK_BUILDABLE(w));
        if (name && std::string(name) == std::string("btnReadAgain_") + id) retry = w, page = i;
      }
    ASSERT_NE(retry, nullptr);
    GtkWidget* notice = gtk_widget_get_ancestor(retry, GTK_TYPE_INFO_BAR);
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(gtk_revealer_get_child_revealed(GTK_REVEALER(
        gtk_widget_get_ancestor(gtk_widget_get_parent(notice), GTK_TYPE_REVEALER))));
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(retry));
    const guint key = gtk_label_get_mnemonic_keyval(GTK_LABEL(label));
    EXPECT_NE(key, static_cast<guint>(GDK_KEY_VoidSymbol));
    EXPECT_EQ(before[page].count(key), 0u) << "Alt+" << static_cast<char>(key) << " is taken";
  }
}

// ---------------------------------------------------------- entries and window

TEST(UiFileEntries, LengthsFitWhatEachFieldHolds) {
  LoadedUi ui;
  const HLQEntries& e = ui.entries;
  for (GtkEntry* sentinel : {e.gtkentry_startsentinelt1, e.gtkentry_startsentinelt2,
                             e.gtkentry_startsentinelt3, e.gtkentry_endsentinel})
    EXPECT_EQ(gtk_entry_get_max_length(sentinel), 1);
  for (GtkEntry* wrapper : {e.gtkentry_headwrapper, e.gtkentry_tailwrapper}) {
    EXPECT_EQ(gtk_entry_get_max_length(wrapper), 8);
    EXPECT_GE(gtk_entry_get_width_chars(wrapper), 8);
  }
  for (GtkEntry* id : {e.gtkedt_printerpid, e.gtkedt_prntervid, e.gtkedt_cd1pid, e.gtkedt_cd1vid,
                       e.gtkedt_cd2pid, e.gtkedt_cd2vid, e.gtkentry_ldpid, e.gtkentry_ldvid}) {
    EXPECT_GE(gtk_entry_get_width_chars(id), 4);
    EXPECT_EQ(gtk_entry_get_max_length(id), 0) << "typed text is stored as typed";
  }
  // A discovered serial number can be long: it must never be cut short.
  for (GtkEntry* serial :
       {e.gtkedt_printerserial, e.gtkedt_cd1serial, e.gtkedt_cd2serial, e.gtkedt_ldserial}) {
    EXPECT_GE(gtk_entry_get_width_chars(serial), 32);
    EXPECT_EQ(gtk_entry_get_max_length(serial), 0);
  }
}

TEST(UiFileWindow, OnlyTheWindowIsLeftForTheCodeToShow) {
  LoadedUi ui;
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(ui.window())), "HLQ Configuration Tool");
  // Shown by the file, the window would appear before the single-instance check.
  EXPECT_FALSE(gtk_widget_get_visible(ui.window()));
  for (GtkWidget* w : widgetsBelow(ui.window())) {
    if (w == ui.window()) continue;
    EXPECT_TRUE(gtk_widget_get_visible(w))
        << G_OBJECT_TYPE_NAME(w) << " " << gtk_buildable_get_name(GTK_BUILDABLE(w));
  }
}

TEST(UiFileWindow, FitsASmallTerminalScreen) {
  LoadedUi ui;
  // With what start-up adds, and its longest notice shown on the tallest page.
  ui.addPageViews();
  HLQ_ShowUnread(HLQPage::Msr, "/opt/pemo/hlq/KWNConfig.xml",
                 "not authorised: no authentication agent answered to ask for the "
                 "administrator's password");
  HLQ_BeginWaiting(HLQPage::Msr);
  GtkRequisition minimum, natural;
  gtk_widget_get_preferred_size(ui.window(), &minimum, &natural);
  EXPECT_LE(natural.width, 1024);
  EXPECT_LE(natural.height, 768);
}

// ------------------------------------------------- the window and hlqctl

bool markedRefused(GtkWidget* field) {
  return gtk_style_context_has_class(gtk_widget_get_style_context(field), GTK_STYLE_CLASS_ERROR);
}

// hlqctl's answer to "set KEY=TEXT" on the same files: refused or not.
bool commandLineRefuses(const HLQStoredValue& value, const std::string& text) {
  std::vector<HLQValueRequest> requests;
  std::string problem;
  if (!HLQCtl_RequestsOfOperands({std::string(value.name) + "=" + text}, &requests, &problem))
    return true;
  HLQCodepageLists codepages;
  const HLQChangePlan plan =
      HLQ_PlanChanges(requests, HLQ_ReadStoredTexts({value.file}), &codepages);
  return !plan.values.at(0).refused.empty();
}

// Every key the model names has a field in the window; each text typed into
// an entry is marked refused exactly where the command line refuses it, and
// every item of a selector and every state of a box is one it takes.
TEST(Faces, TheWindowAndTheCommandLineAcceptAndRefuseTheSameTexts) {
  TempDir dir;
  HLQTest_CopySample("KWNConfig.xml", dir.file("KWNConfig.xml"));
  HLQTest_CopySample("KWNLogging.xml", dir.file("KWNLogging.xml"));
  HLQTest_SetDeviceConfigPath(dir.file("KWNConfig.xml"));
  HLQTest_SetLoggingConfigPath(dir.file("KWNLogging.xml"));
  LoadedUi ui;
  HLQ_ForgetPageStates();
  HLQ_CheckFieldsAsTyped(&ui.combos, &ui.entries, &ui.checks);
  const std::vector<std::string> texts = {
      "", " ", "%", "%%", ";", "\xc3\xa9", "a\tb", "12345678", "123456789", "   ", "0a1b",
      "0A1B", "0a1", "0a1g", "ffff", "CD-1", std::string(255, 'S'), std::string(256, 'S'),
      "x\x7f", "true"};
  for (const HLQStoredValue* value : HLQ_NamedValues()) {
    SCOPED_TRACE(value->name);
    GtkWidget* field = HLQ_FieldWidget(value->name);
    ASSERT_NE(field, nullptr) << "no field of the window shows it";
    if (GTK_IS_ENTRY(field)) {
      gtk_entry_set_max_length(GTK_ENTRY(field), 0);  // the rule, not the entry, decides
      for (const std::string& text : texts) {
        gtk_entry_set_text(GTK_ENTRY(field), text.c_str());
        EXPECT_EQ(markedRefused(field), commandLineRefuses(*value, text)) << '"' << text << '"';
      }
      gtk_entry_set_text(GTK_ENTRY(field), "");
    } else if (GTK_IS_CHECK_BUTTON(field)) {
      for (const char* state : {"on", "off"}) EXPECT_FALSE(commandLineRefuses(*value, state));
    } else if (value->choices) {
      // Item i is the command line's i-th choice ("none" and the ports, or
      // the list's names), and its explicit position #i names it too.
      const std::vector<std::string> choices = HLQ_ValueChoices(*value);
      const size_t items = HLQTest_ComboItems(GTK_COMBO_BOX(field)).size();
      ASSERT_EQ(choices.size(), items);
      for (size_t i = 0; i < items; ++i) {
        EXPECT_FALSE(commandLineRefuses(*value, choices[i])) << "item " << i;
        if (value->rule == HLQRuleKind::Position) {
          EXPECT_FALSE(commandLineRefuses(*value, "#" + std::to_string(i))) << "item " << i;
        }
      }
    }
  }
  HLQ_ForgetPageStates();
}


// The web console names each key as the window does: every label of its
// table (cockpit/labels.js) is the label of the key's field in the window,
// and a group it gives is the heading of the field's group there.
TEST(Faces, TheWebConsoleLabelsEachKeyAsTheWindowDoes) {
  std::ifstream file(HLQ_SOURCE_DIR "/cockpit/labels.js");
  ASSERT_TRUE(file) << "cockpit/labels.js";
  const std::string table((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::regex row(R"re("([a-z0-9.-]+)": \[N_\("([^"]*)"\)(?:, N_\("([^"]*)"\))?\])re");
  const auto plain = [](std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '_'), text.end());
    if (!text.empty() && text.back() == ':') text.pop_back();
    return text;
  };
  LoadedUi ui;
  std::set<std::string> named;
  for (std::sregex_iterator it(table.begin(), table.end(), row), end; it != end; ++it) {
    const std::string key = (*it)[1], label = plain((*it)[2]), group = (*it)[3];
    SCOPED_TRACE(key);
    GtkWidget* field = HLQ_FieldWidget(key.c_str());
    ASSERT_NE(field, nullptr) << "no field of the window shows it";
    const std::string windows = HLQ_FieldLabel(field);
    EXPECT_EQ(windows.substr(windows.size() - std::min(windows.size(), label.size())), label)
        << windows;
    if (!group.empty()) {
      EXPECT_EQ(windows.rfind(group, 0), 0u) << windows;
    }
    named.insert(key);
  }
  for (const HLQStoredValue* value : HLQ_NamedValues())
    EXPECT_TRUE(named.count(value->name)) << value->name << " has no label in the web console";
}

}  // namespace

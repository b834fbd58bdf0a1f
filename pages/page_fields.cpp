#include "pages/page_fields.h"

#include <glib/gi18n-lib.h>

#include <cstring>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "devices/port_mapping.h"

namespace {

struct Binding {
  const char* name;
  const char* widgetId;
  bool discovered;
};

// Which widget of the UI file shows which value, by the widget's ID. The
// wrappers' kept-aside texts have no field: the model stores them with the
// wrapper. A new field needs only its row here, not a registry entry.
constexpr Binding kBindings[] = {
    {"printer.port", "gtkcboxt_printerport", false},
    {"printer.code-page", "gtkcboxt_codepage", false},
    {"printer.emulation-mode", "gtckboxt_printermode", false},
    {"printer.unsolicited-status", "gtkchbox_usnolicitedstatus", false},
    {"printer.product-id", "gtkedt_printerpid", true},
    {"printer.vendor-id", "gtkedt_prntervid", true},
    {"printer.serial-number", "gtkedt_printerserial", true},
    {"cash-drawer.port", "gtkcbox_cdport", false},
    {"cash-drawer.drawer1-product-id", "gtkedt_cd1pid", true},
    {"cash-drawer.drawer1-vendor-id", "gtkedt_cd1vid", true},
    {"cash-drawer.drawer1-serial-number", "gtkedt_cd1serial", true},
    {"cash-drawer.drawer2-product-id", "gtkedt_cd2pid", true},
    {"cash-drawer.drawer2-vendor-id", "gtkedt_cd2vid", true},
    {"cash-drawer.drawer2-serial-number", "gtkedt_cd2serial", true},
    {"line-display.port", "gtkchboxt_ldport", false},
    {"line-display.product-id", "gtkentry_ldpid", true},
    {"line-display.vendor-id", "gtkentry_ldvid", true},
    {"line-display.serial-number", "gtkedt_ldserial", true},
    {"msr.port", "gtkcboxt_msrport", false},
    {"msr.cr-enabled", "gtkcheckbtn_carriageretunrenbld", false},
    {"msr.track1-enabled", "gtkcheckbtn_track1enbld", false},
    {"msr.track2-enabled", "gtkcheckbnt_track2enbld", false},
    {"msr.track3-enabled", "gtkcheckbtn_track3enbld", false},
    {"msr.strip-sentinels", "gtkcheckbtn_stripsentinels", false},
    {"msr.hide-error-tracks", "gtkcheckbtn_hideerrtraks", false},
    {"msr.track1-cr-enabled", "gtkcheckbtn_crtrack1enbld", false},
    {"msr.track2-cr-enabled", "gtkcheckbtn_crtrack2enbld", false},
    {"msr.track3-cr-enabled", "gtkcheckbtn_crtrack3en", false},
    {"msr.track1-start-sentinel", "gtkentry_startsentinelt1", false},
    {"msr.track2-start-sentinel", "gtkentry_startsentinelt2", false},
    {"msr.track3-start-sentinel", "gtkentry_startsentinelt3", false},
    {"msr.end-sentinel", "gtkentry_endsentinel", false},
    {"msr.head-wrapper", "gtkentry_headwrapper", false},
    {"msr.head-wrapper-enabled", "gtkcheckbtn_headwrapper", false},
    {"msr.tail-wrapper", "gtkentry_tailwrapper", false},
    {"msr.tail-wrapper-enabled", "gtkcheckbtn_tailwrapper", false},
    {"logging.level", "gtkchboxt_loglevel", false},
    {"logging.module-service", "gtkcheckbtn_hlqsvc", false},
    {"logging.module-cd", "gtkcheckbtn_cdusbmod", false},
    {"logging.module-ld", "gtkcheckbtn_ldmod", false},
    {"logging.module-msr", "gtkcheckbtn_msrmod", false},
    {"logging.module-printer-usb", "gtkcheckbtn_printermod", false},
};

constexpr const char* kWidgetsById = "hlq-field-widgets";

void collectNamed(GtkWidget* widget, gpointer table) {
  if (const char* id = gtk_buildable_get_name(GTK_BUILDABLE(widget)))
    g_hash_table_insert(static_cast<GHashTable*>(table), g_strdup(id), widget);
  if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), collectNamed, table);
}

// The window's widgets by their UI file ID, gathered once per window (the
// builder is gone after start-up) and kept with it, so that they go together.
// The IDs are copied: a notice built and dropped later takes its own along.
GHashTable* widgetsById(GtkWidget* window) {
  auto* table = static_cast<GHashTable*>(g_object_get_data(G_OBJECT(window), kWidgetsById));
  if (table) return table;
  table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, nullptr);
  collectNamed(window, table);
  g_object_set_data_full(G_OBJECT(window), kWidgetsById, table,
                         reinterpret_cast<GDestroyNotify>(g_hash_table_unref));
  return table;
}

// The window that holds the registries' widgets: the first one bound.
GtkWidget* windowOf(HLQComboBoxes* combos, HLQEntries* entries, HLQCheckBoxes* checks) {
  GtkWidget* any = combos    ? GTK_WIDGET(combos->gtkcboxt_printerport)
                   : entries ? GTK_WIDGET(entries->gtkedt_printerpid)
                   : checks  ? GTK_WIDGET(checks->gtkcheckbtn_hlqsvc)
                             : nullptr;
  return any ? gtk_widget_get_toplevel(any) : nullptr;
}

// The kind of widget that can show a value of the rule.
GType widgetTypeFor(const HLQStoredValue& value) {
  switch (value.rule) {
    case HLQRuleKind::Port:
    case HLQRuleKind::Position: return GTK_TYPE_COMBO_BOX;
    case HLQRuleKind::DeviceBool:
    case HLQRuleKind::LoggingBool: return GTK_TYPE_CHECK_BUTTON;
    default: return GTK_TYPE_ENTRY;
  }
}

GtkWidget* widgetWithId(GtkWidget* window, const char* id) {
  return window ? static_cast<GtkWidget*>(g_hash_table_lookup(widgetsById(window), id)) : nullptr;
}

bool isCodepage(const HLQStoredValue& value) {
  return value.rule == HLQRuleKind::Position && !value.choices;
}

int itemCount(GtkComboBox* combo) {
  return gtk_tree_model_iter_n_children(gtk_combo_box_get_model(combo), nullptr);
}

// The text of a selector's item, or "" where there is none.
std::string itemText(GtkComboBox* combo, int position) {
  GtkTreeIter iter;
  GtkTreeModel* model = gtk_combo_box_get_model(combo);
  if (position < 0 || !gtk_tree_model_iter_nth_child(model, &iter, nullptr, position)) return "";
  gchar* text = nullptr;
  gtk_tree_model_get(model, &iter, gtk_combo_box_get_entry_text_column(combo) >= 0
                                       ? gtk_combo_box_get_entry_text_column(combo)
                                       : 0,
                     &text, -1);
  std::string shown = text ? text : "";
  g_free(text);
  return shown;
}

// An entry holds only valid UTF-8.
void setEntryText(GtkEntry* entry, const std::string& text) {
  g_autofree gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
  gtk_entry_set_text(entry, valid);
}

// The selector's item for a stored port: by the text alone, as every port
// selector maps it; a position past its items selects nothing.
int portPosition(const HLQStoredValue& value, const HLQShownValue& shown) {
  if (shown.kind != HLQShownValue::Kind::Text || shown.text == "none") return 0;
  int items = 1;
  for (int i = 0; value.choices && value.choices[i]; ++i) ++items;
  const int position = HLQCT_DevicePortIndexParsing(shown.text.c_str());
  return position < items ? position : -1;
}

int choicePosition(const HLQStoredValue& value, const HLQShownValue& shown,
                   const HLQReadValue* read) {
  for (int i = 0; value.choices && value.choices[i]; ++i)
    if (shown.text == value.choices[i]) return i;
  // A position the list lacks selects nothing (GTK refuses one below -1).
  const int stored = HLQ_ParseNumber(read ? read->text : std::nullopt);
  return stored < -1 ? -1 : stored;
}

}  // namespace

std::vector<HLQField> HLQ_FieldsOf(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                                   HLQCheckBoxes* checks) {
  GtkWidget* window = windowOf(combos, entries, checks);
  std::vector<HLQField> fields;
  for (const Binding& b : kBindings) {
    const HLQStoredValue* value = HLQ_FindStoredValueNamed(b.name);
    if (value && value->page == page)
      fields.push_back({value, widgetWithId(window, b.widgetId), b.discovered});
  }
  return fields;
}

GtkWidget* HLQ_FieldWidget(const char* name) {
  GtkWidget* window = windowOf(g_hlqComboBoxes, g_hlqEntries, g_hlqCheckBoxes);
  for (const Binding& b : kBindings)
    if (std::strcmp(b.name, name) == 0) return widgetWithId(window, b.widgetId);
  return nullptr;
}

std::vector<std::string> HLQ_FieldProblems(GtkBuilder* builder) {
  std::vector<std::string> problems;
  for (const Binding& b : kBindings) {
    const HLQStoredValue* value = HLQ_FindStoredValueNamed(b.name);
    const GType type = value ? widgetTypeFor(*value) : GTK_TYPE_WIDGET;
    const std::string problem = HLQCT_WidgetProblem(builder, b.widgetId, type);
    if (!problem.empty()) problems.push_back(problem);
  }
  return problems;
}

bool HLQ_GivenOfField(const HLQField& field, HLQGivenValue* given) {
  GtkWidget* widget = field.widget;
  if (GTK_IS_CHECK_BUTTON(widget)) {
    given->kind = HLQGivenValue::Kind::Boolean;
    given->on = HLQ_IsChecked(GTK_CHECK_BUTTON(widget));
    return true;
  }
  if (GTK_IS_ENTRY(widget)) {
    given->kind = HLQGivenValue::Kind::Text;
    given->text = gtk_entry_get_text(GTK_ENTRY(widget));
    return true;
  }
  GtkComboBox* combo = GTK_COMBO_BOX(widget);
  const int active = gtk_combo_box_get_active(combo);
  if (field.value->rule == HLQRuleKind::Port) {
    // No item: a stored port this selector lacks, left as it is.
    if (active < 0) return false;
    given->kind = HLQGivenValue::Kind::Text;
    given->text = active == 0 ? "none" : itemText(combo, active);
    return true;
  }
  if (isCodepage(*field.value) && itemCount(combo) == 0) return false;
  given->kind = HLQGivenValue::Kind::Position;
  given->text = HLQ_NumberText(active);
  return true;
}

bool HLQ_SameGiven(const HLQGivenValue& a, const HLQGivenValue& b) {
  return a.kind == b.kind && a.text == b.text && a.on == b.on;
}

void HLQ_ShowInField(const HLQField& field, const HLQStoredTexts& texts,
                     HLQCodepageLists* codepages) {
  const HLQShownValue shown = HLQ_ShownValue(*field.value, texts, codepages);
  GtkWidget* widget = field.widget;
  if (GTK_IS_CHECK_BUTTON(widget))
    return HLQ_SetChecked(GTK_CHECK_BUTTON(widget),
                          shown.kind == HLQShownValue::Kind::Boolean && shown.on);
  if (GTK_IS_ENTRY(widget)) return setEntryText(GTK_ENTRY(widget), shown.text);
  auto read = texts.values.find(field.value);
  const int position =
      field.value->rule == HLQRuleKind::Port
          ? portPosition(*field.value, shown)
          : choicePosition(*field.value, shown, read == texts.values.end() ? nullptr : &read->second);
  gtk_combo_box_set_active(GTK_COMBO_BOX(widget), position);
}

std::string HLQ_FieldShows(const HLQField& field, const HLQShownValue& shown) {
  GtkWidget* widget = field.widget;
  if (shown.kind == HLQShownValue::Kind::Unread) return _("absent");
  if (GTK_IS_CHECK_BUTTON(widget))
    return shown.kind == HLQShownValue::Kind::Boolean && shown.on ? _("on") : _("off");
  if (GTK_IS_ENTRY(widget)) return shown.text;
  GtkComboBox* combo = GTK_COMBO_BOX(widget);
  int position = -1;
  if (field.value->rule == HLQRuleKind::Port) {
    position = portPosition(*field.value, shown);
  } else if (field.value->choices) {
    for (int i = 0; field.value->choices[i]; ++i)
      if (shown.text == field.value->choices[i]) position = i;
  } else {
    for (int i = 0; i < itemCount(combo); ++i)
      if (shown.text == itemText(combo, i)) position = i;
  }
  const std::string item = itemText(combo, position);
  return item.empty() ? shown.text : item;
}

std::string HLQ_FieldShowsNow(const HLQField& field) {
  GtkWidget* widget = field.widget;
  if (GTK_IS_CHECK_BUTTON(widget)) return HLQ_IsChecked(GTK_CHECK_BUTTON(widget)) ? _("on") : _("off");
  if (GTK_IS_ENTRY(widget)) return gtk_entry_get_text(GTK_ENTRY(widget));
  GtkComboBox* combo = GTK_COMBO_BOX(widget);
  const std::string item = itemText(combo, gtk_combo_box_get_active(combo));
  return item.empty() ? _("nothing selected") : item;
}

void HLQ_UseShownCodepages(HLQComboBoxes* combos, const HLQStoredTexts& texts,
                           HLQCodepageLists* codepages) {
  GtkComboBox* list = GTK_COMBO_BOX(combos->gtkcboxt_codepage);
  std::vector<std::string> names;
  for (int i = 0; i < itemCount(list); ++i) names.push_back(itemText(list, i));
  codepages->showing(gtk_combo_box_get_active(combos->gtckboxt_printermode), names);
  codepages->showing(HLQ_StoredEmulationMode(texts), names);
}

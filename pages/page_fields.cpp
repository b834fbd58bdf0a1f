#include "pages/page_fields.h"

#include <glib/gi18n-lib.h>

#include <cstring>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "devices/port_mapping.h"

namespace {

struct Binding {
  const char* name;
  GtkWidget* widget;
  bool discovered;
};

GtkWidget* w(void* widget) { return GTK_WIDGET(widget); }

// Which widget shows which value, page by page. The wrappers' kept-aside
// texts have no field: the model stores them with the wrapper.
std::vector<Binding> bindings(HLQComboBoxes* c, HLQEntries* e, HLQCheckBoxes* k) {
  return {
      {"printer.port", w(c->gtkcboxt_printerport), false},
      {"printer.code-page", w(c->gtkcboxt_codepage), false},
      {"printer.emulation-mode", w(c->gtckboxt_printermode), false},
      {"printer.unsolicited-status", w(k->gtkchbox_usnolicitedstatus), false},
      {"printer.product-id", w(e->gtkedt_printerpid), true},
      {"printer.vendor-id", w(e->gtkedt_prntervid), true},
      {"printer.serial-number", w(e->gtkedt_printerserial), true},
      {"cash-drawer.port", w(c->gtkcbox_cdport), false},
      {"cash-drawer.drawer1-product-id", w(e->gtkedt_cd1pid), true},
      {"cash-drawer.drawer1-vendor-id", w(e->gtkedt_cd1vid), true},
      {"cash-drawer.drawer1-serial-number", w(e->gtkedt_cd1serial), true},
      {"cash-drawer.drawer2-product-id", w(e->gtkedt_cd2pid), true},
      {"cash-drawer.drawer2-vendor-id", w(e->gtkedt_cd2vid), true},
      {"cash-drawer.drawer2-serial-number", w(e->gtkedt_cd2serial), true},
      {"line-display.port", w(c->gtkchboxt_ldport), false},
      {"line-display.product-id", w(e->gtkentry_ldpid), true},
      {"line-display.vendor-id", w(e->gtkentry_ldvid), true},
      {"line-display.serial-number", w(e->gtkedt_ldserial), true},
      {"msr.port", w(c->gtkcboxt_msrport), false},
      {"msr.cr-enabled", w(k->gtkcheckbtn_carriageretunrenbld), false},
      {"msr.track1-enabled", w(k->gtkcheckbtn_track1enbld), false},
      {"msr.track2-enabled", w(k->gtkcheckbnt_track2enbld), false},
      {"msr.track3-enabled", w(k->gtkcheckbtn_track3enbld), false},
      {"msr.strip-sentinels", w(k->gtkcheckbtn_stripsentinels), false},
      {"msr.hide-error-tracks", w(k->gtkcheckbtn_hideerrtraks), false},
      {"msr.track1-cr-enabled", w(k->gtkcheckbtn_crtrack1enbld), false},
      {"msr.track2-cr-enabled", w(k->gtkcheckbtn_crtrack2enbld), false},
      {"msr.track3-cr-enabled", w(k->gtkcheckbtn_crtrack3en), false},
      {"msr.track1-start-sentinel", w(e->gtkentry_startsentinelt1), false},
      {"msr.track2-start-sentinel", w(e->gtkentry_startsentinelt2), false},
      {"msr.track3-start-sentinel", w(e->gtkentry_startsentinelt3), false},
      {"msr.end-sentinel", w(e->gtkentry_endsentinel), false},
      {"msr.head-wrapper", w(e->gtkentry_headwrapper), false},
      {"msr.head-wrapper-enabled", w(k->gtkcheckbtn_headwrapper), false},
      {"msr.tail-wrapper", w(e->gtkentry_tailwrapper), false},
      {"msr.tail-wrapper-enabled", w(k->gtkcheckbtn_tailwrapper), false},
      {"logging.level", w(c->gtkchboxt_loglevel), false},
      {"logging.module-service", w(k->gtkcheckbtn_hlqsvc), false},
      {"logging.module-cd", w(k->gtkcheckbtn_cdusbmod), false},
      {"logging.module-ld", w(k->gtkcheckbtn_ldmod), false},
      {"logging.module-msr", w(k->gtkcheckbtn_msrmod), false},
      {"logging.module-printer-usb", w(k->gtkcheckbtn_printermod), false},
  };
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
  // A page's initialiser gets only the registries it uses.
  HLQComboBoxes noCombos{};
  HLQEntries noEntries{};
  HLQCheckBoxes noChecks{};
  std::vector<HLQField> fields;
  for (const Binding& b : bindings(combos ? combos : &noCombos, entries ? entries : &noEntries,
                                   checks ? checks : &noChecks)) {
    const HLQStoredValue* value = HLQ_FindStoredValueNamed(b.name);
    if (value && value->page == page) fields.push_back({value, b.widget, b.discovered});
  }
  return fields;
}

GtkWidget* HLQ_FieldWidget(const char* name) {
  if (!g_hlqComboBoxes) return nullptr;
  for (const Binding& b : bindings(g_hlqComboBoxes, g_hlqEntries, g_hlqCheckBoxes))
    if (std::strcmp(b.name, name) == 0) return b.widget;
  return nullptr;
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

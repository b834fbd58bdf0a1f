#include "pages/msr_page.h"

#include <glib/gi18n-lib.h>

#include <optional>
#include <string>

#include "app/page_apply.h"
#include "config/fixed_paths.h"
#include "config/config_layout.h"
#include "config/xml_config.h"
#include "pages/device_fields.h"
#include "model/page_model.h"

namespace {

using CheckBox = GtkCheckButton* HLQCheckBoxes::*;
using Entry = GtkEntry* HLQEntries::*;

// The page's keys in MSR_Configuration, grouped by how they are shown and
// stored. Read and written in this order (after MSR_USB): the booleans, the
// sentinels, then each wrapper's three keys.
struct BooleanKey {
  const char* key;
  CheckBox box;
};
constexpr BooleanKey kBooleans[] = {
    {kwn::CR_ENABLED, &HLQCheckBoxes::gtkcheckbtn_carriageretunrenbld},
    {kwn::TRACK1_ENABLED, &HLQCheckBoxes::gtkcheckbtn_track1enbld},
    {kwn::TRACK2_ENABLED, &HLQCheckBoxes::gtkcheckbnt_track2enbld},
    {kwn::TRACK3_ENABLED, &HLQCheckBoxes::gtkcheckbtn_track3enbld},
    {kwn::STRIP_SENTINELS, &HLQCheckBoxes::gtkcheckbtn_stripsentinels},
    {kwn::HIDE_ERROR_TRACKS, &HLQCheckBoxes::gtkcheckbtn_hideerrtraks},
    {kwn::TRACK1_CR_ENABLED, &HLQCheckBoxes::gtkcheckbtn_crtrack1enbld},
    {kwn::TRACK2_CR_ENABLED, &HLQCheckBoxes::gtkcheckbtn_crtrack2enbld},
    {kwn::TRACK3_CR_ENABLED, &HLQCheckBoxes::gtkcheckbtn_crtrack3en},
};

// While the global carriage-return box is on, these three are greyed out
// (their own states are kept and stored all the same).
constexpr CheckBox kPerTrackCarriageReturns[] = {
    &HLQCheckBoxes::gtkcheckbtn_crtrack1enbld,
    &HLQCheckBoxes::gtkcheckbtn_crtrack2enbld,
    &HLQCheckBoxes::gtkcheckbtn_crtrack3en,
};

// A sentinel is one character; an empty entry, or one of blanks alone (which
// the file would read back as empty), is stored as the default so that the
// daemon never reads an empty sentinel from us.
struct SentinelKey {
  const char* key;
  Entry entry;
  const char* defaultText;
};
constexpr SentinelKey kSentinels[] = {
    {kwn::TRACK1_START_SENTINEL, &HLQEntries::gtkentry_startsentinelt1, "%"},
    {kwn::TRACK2_START_SENTINEL, &HLQEntries::gtkentry_startsentinelt2, ";"},
    {kwn::TRACK3_START_SENTINEL, &HLQEntries::gtkentry_startsentinelt3, "+"},
    {kwn::END_SENTINEL, &HLQEntries::gtkentry_endsentinel, "?"},
};
constexpr glong kSentinelChars = 1;

// A wrapper is stored as a pair of texts and a flag: while it is on, the
// active text holds the entry's text and the kept-aside text is empty; while
// it is off, the other way round, so the text survives until it is on again.
struct WrapperKeys {
  const char* active;
  const char* keptAside;
  const char* flag;
  Entry entry;
  CheckBox box;
};
constexpr WrapperKeys kWrappers[] = {
    {kwn::HEAD_WRAPPER, kwn::HEAD_WRAPPER_BK, kwn::HEAD_WRAPPER_CHBX,
     &HLQEntries::gtkentry_headwrapper, &HLQCheckBoxes::gtkcheckbtn_headwrapper},
    {kwn::TAIL_WRAPPER, kwn::TAIL_WRAPPER_BK, kwn::TAIL_WRAPPER_CHBX,
     &HLQEntries::gtkentry_tailwrapper, &HLQCheckBoxes::gtkcheckbtn_tailwrapper},
};
constexpr glong kWrapperChars = 8;

std::optional<std::string> readKey(HXMLWRAPPER config, const char* key) {
  return xmlwrapper_ReadXMLNodeValue(config, HLQ_DeviceConfigPath(), kwn::MSR, key);
}

void writeKey(HLQPageWrites* writes, const char* key, const std::string& text,
              GtkWidget* field) {
  writes->text(kwn::MSR, key, text, field);
}

// A stored text as the entry shows it: at most `maxChars` characters (not
// bytes, so no character is cut in half), and bytes that are not UTF-8
// replaced, since an entry can only hold valid UTF-8. Absent shows empty.
std::string limitedText(const std::optional<std::string>& stored, glong maxChars) {
  if (!stored) return "";
  gchar* valid = g_utf8_make_valid(stored->c_str(), static_cast<gssize>(stored->size()));
  std::string shown = valid;
  if (g_utf8_strlen(valid, -1) > maxChars)
    shown.resize(static_cast<size_t>(g_utf8_offset_to_pointer(valid, maxChars) - valid));
  g_free(valid);
  return shown;
}

void setPerTrackCarriageReturnsSensitive(HLQCheckBoxes* checks, bool sensitive) {
  for (CheckBox box : kPerTrackCarriageReturns)
    gtk_widget_set_sensitive(GTK_WIDGET(checks->*box), sensitive);
}

void setWrapperEditable(GtkEntry* entry, bool editable) {
  gtk_editable_set_editable(GTK_EDITABLE(entry), editable);
}

void showBooleans(HXMLWRAPPER config, HLQCheckBoxes* checks) {
  for (const auto& row : kBooleans) {
    bool on = HLQ_IsDeviceBoolOn(readKey(config, row.key));
    if (row.box == &HLQCheckBoxes::gtkcheckbtn_carriageretunrenbld)
      setPerTrackCarriageReturnsSensitive(checks, !on);
    HLQ_SetChecked(checks->*row.box, on);
  }
}

void showSentinels(HXMLWRAPPER config, HLQEntries* entries) {
  for (const auto& row : kSentinels)
    gtk_entry_set_text(entries->*row.entry,
                       limitedText(readKey(config, row.key), kSentinelChars).c_str());
}

// The flag is judged on its whole text, like every other boolean. A text of
// the pair that cannot be read at all falls back to its counterpart.
void showWrapper(HXMLWRAPPER config, const WrapperKeys& row, HLQCheckBoxes* checks,
                 HLQEntries* entries) {
  auto active = readKey(config, row.active);
  auto keptAside = readKey(config, row.keptAside);
  bool on = HLQ_IsDeviceBoolOn(readKey(config, row.flag));
  const auto& shown = on ? active : keptAside;
  const auto& counterpart = on ? keptAside : active;
  GtkEntry* entry = entries->*row.entry;
  gtk_entry_set_text(entry, limitedText(shown ? shown : counterpart, kWrapperChars).c_str());
  HLQ_SetChecked(checks->*row.box, on);
  setWrapperEditable(entry, on);
}

void writeBooleans(HLQPageWrites* writes, HLQCheckBoxes* checks) {
  for (const auto& row : kBooleans)
    writeKey(writes, row.key, HLQ_DeviceBoolText(HLQ_IsChecked(checks->*row.box)),
             GTK_WIDGET(checks->*row.box));
}

void writeSentinels(HLQPageWrites* writes, HLQEntries* entries) {
  for (const auto& row : kSentinels) {
    GtkEntry* entry = entries->*row.entry;
    const char* typed = gtk_entry_get_text(entry);
    if (HLQ_ReadsBackAsEmpty(typed))
      writeKey(writes, row.key, row.defaultText, GTK_WIDGET(entry));
    else
      writes->typed(kwn::MSR, row.key, nullptr, typed, GTK_WIDGET(entry));
  }
}

// A text of blanks alone would be saved, but the parser keeps no such text:
// it reads back as empty, and the next save of any value leaves an empty
// element. The wrapper's three values are then left as stored, so that
// nothing of the stored wrapper is lost, and the report says why.
bool refuseBlankText(const WrapperKeys& row, const std::string& text, HLQPageWrites* writes) {
  if (text.empty() || !HLQ_ReadsBackAsEmpty(text.c_str())) return false;
  const char* reason =
      _("the text is only blanks, which would read back as empty; the wrapper was left as stored");
  for (const char* key : {row.active, row.keptAside, row.flag}) writes->leftUnchanged(key, reason);
  return true;
}

// A text the wrapper's rule refuses is reported under the field that holds
// it, and the wrapper's three values are left as stored together.
bool refuseWrapperText(const WrapperKeys& row, const std::string& text, GtkEntry* entry,
                       HLQPageWrites* writes) {
  const HLQStoredValue* rule = HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::MSR, row.active,
                                                   nullptr);
  if (!rule || HLQ_RefusalOfStoredText(*rule, text.c_str()).empty()) return false;
  writes->typed(kwn::MSR, row.active, nullptr, text, GTK_WIDGET(entry));
  for (const char* key : {row.keptAside, row.flag})
    writes->leftUnchanged(key, _("the wrapper was left as stored"));
  return true;
}

void writeWrapper(HLQPageWrites* writes, const WrapperKeys& row, HLQCheckBoxes* checks,
                  HLQEntries* entries) {
  GtkEntry* entry = entries->*row.entry;
  const std::string text = gtk_entry_get_text(entry);
  if (refuseBlankText(row, text, writes) || refuseWrapperText(row, text, entry, writes)) return;
  const bool on = HLQ_IsChecked(checks->*row.box);
  writeKey(writes, row.active, on ? text : "", GTK_WIDGET(entry));
  writeKey(writes, row.keptAside, on ? "" : text, GTK_WIDGET(entry));
  writeKey(writes, row.flag, HLQ_DeviceBoolText(on), GTK_WIDGET(checks->*row.box));
}

}  // namespace

void MSRTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                              HLQEntries* entries) {
  HXMLWRAPPER config = xmlwrapper_create();
  gtk_widget_set_sensitive(GTK_WIDGET(checks->gtkcheckbtn_rawdatamode), FALSE);
  HLQ_ShowStoredPort(config, kwn::MSR_USB, combos->gtkcboxt_msrport);
  showBooleans(config, checks);
  showSentinels(config, entries);
  for (const auto& row : kWrappers) showWrapper(config, row, checks, entries);
  xmlwrapper_destroy(config);
}

HLQPageWrites MSRTab_CollectValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                   HLQEntries* entries) {
  HLQPageWrites writes(HLQ_DeviceConfigPath());
  HLQ_WriteSelectedPort(&writes, kwn::MSR_USB, combos->gtkcboxt_msrport);
  writeBooleans(&writes, checks);
  writeSentinels(&writes, entries);
  for (const auto& row : kWrappers) writeWrapper(&writes, row, checks, entries);
  return writes;
}

ApplyReport MSRTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                               HLQEntries* entries) {
  return MSRTab_CollectValues(combos, checks, entries).store();
}

void on_btnApply_msrmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(HLQPage::Msr, MSRTab_CollectValues(g_hlqComboBoxes, g_hlqCheckBoxes, g_hlqEntries),
                _("MSR Settings Applied"), _("MSR Configuration"));
}

// Changes widgets only; Apply stores them. The check box handlers, run by
// each change of state, restore the sensitivity and editability rules.
void on_btnDefault_msrmodcfg_clicked(GtkButton*, gpointer) {
  HLQCheckBoxes* checks = g_hlqCheckBoxes;
  HLQEntries* entries = g_hlqEntries;
  HLQ_SetChecked(checks->gtkcheckbtn_carriageretunrenbld, false);
  HLQ_SetChecked(checks->gtkcheckbtn_track1enbld, true);
  HLQ_SetChecked(checks->gtkcheckbnt_track2enbld, true);
  HLQ_SetChecked(checks->gtkcheckbtn_track3enbld, true);
  HLQ_SetChecked(checks->gtkcheckbtn_stripsentinels, false);
  HLQ_SetChecked(checks->gtkcheckbtn_hideerrtraks, false);
  for (const auto& row : kSentinels) gtk_entry_set_text(entries->*row.entry, row.defaultText);
  for (CheckBox box : kPerTrackCarriageReturns) HLQ_SetChecked(checks->*box, false);
  for (const auto& row : kWrappers) {
    HLQ_SetChecked(checks->*row.box, false);
    gtk_entry_set_text(entries->*row.entry, "");
  }
}

void on_btnClear_msrmodcfg_clicked(GtkButton*, gpointer) {
  gtk_combo_box_set_active(GTK_COMBO_BOX(g_hlqComboBoxes->gtkcboxt_msrport), 0);
}

void on_btnDemo_msrmodcfg_clicked(GtkButton* button, gpointer data) {
  on_btnDemo_printermodcfg_clicked(button, data);
}

void on_chbox_carriagereturnenbld_msrmodcfg_clicked(GtkButton*, gpointer) {
  setPerTrackCarriageReturnsSensitive(
      g_hlqCheckBoxes, !HLQ_IsChecked(g_hlqCheckBoxes->gtkcheckbtn_carriageretunrenbld));
}

void on_chbox_headwrapper_msrmodcfg_clicked(GtkButton*, gpointer) {
  setWrapperEditable(g_hlqEntries->gtkentry_headwrapper,
                     HLQ_IsChecked(g_hlqCheckBoxes->gtkcheckbtn_headwrapper));
}

void on_chbox_tailwrapper_msrmodcfg_clicked(GtkButton*, gpointer) {
  setWrapperEditable(g_hlqEntries->gtkentry_tailwrapper,
                     HLQ_IsChecked(g_hlqCheckBoxes->gtkcheckbtn_tailwrapper));
}

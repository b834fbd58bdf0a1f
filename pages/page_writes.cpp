#include "pages/page_writes.h"

#include <glib/gi18n-lib.h>

#include "config/config_layout.h"
#include "pages/field_label.h"
#include "model/page_model.h"

namespace {

std::string attributeName(const char* key, const char* attribute) {
  // TRANSLATORS: names a value in the Apply report: the element, then its attribute.
  g_autofree gchar* name = g_strdup_printf(_("%s attribute %s"), key, attribute);
  return name;
}

// A field's label with the key it is stored under, or the key alone.
std::string nameWithField(const std::string& name, GtkWidget* field) {
  const std::string label = HLQ_FieldLabel(field);
  if (label.empty()) return name;
  // TRANSLATORS: a value named in a message: the field as the page labels it, then its key.
  g_autofree gchar* named = g_strdup_printf(_("%s (%s)"), label.c_str(), name.c_str());
  return named;
}

}  // namespace

// Every value goes through its rule in the page model: a text the page holds
// (one the technician typed) that the daemon could not use is not written,
// and the report says which field holds what, and what it must hold.
void HLQPageWrites::add(const std::string& name, const char* section, const char* key,
                        const char* attribute, const std::string& value, GtkWidget* field,
                        bool typed) {
  const HLQStoredValue* model =
      HLQ_FindStoredValue(HLQ_ConfigFileName(file_), section, key, attribute);
  const std::string stored = model ? HLQ_TypedTextToStore(*model, value) : value;
  const std::string refusal = model ? HLQ_RefusalOfStoredText(*model, stored.c_str()) : "";
  if (!refusal.empty() && typed) {
    // TRANSLATORS: %s is the text the technician typed, then the rule it breaks.
    g_autofree gchar* reason = g_strdup_printf(_("holds %s, which is not stored: %s"),
                                               HLQ_QuotedText(value.c_str()).c_str(),
                                               refusal.c_str());
    return leftUnchanged(nameWithField(name, field), reason);
  }
  if (!refusal.empty()) return leftUnchanged(name, refusal);
  entries_.push_back({name, ""});
  values_.push_back({section, key, attribute, stored});
  valueNames_.push_back(nameWithField(name, field));
}

void HLQPageWrites::text(const char* section, const char* key, const std::string& value,
                         GtkWidget* field) {
  add(key, section, key, nullptr, value, field, false);
}

void HLQPageWrites::attribute(const char* section, const char* key, const char* attribute,
                              const std::string& value, GtkWidget* field) {
  add(attributeName(key, attribute), section, key, attribute, value, field, false);
}

void HLQPageWrites::typed(const char* section, const char* key, const char* attribute,
                          const std::string& value, GtkWidget* field) {
  add(attribute ? attributeName(key, attribute) : key, section, key, attribute, value, field,
      true);
}

void HLQPageWrites::leftUnchanged(const std::string& name, const std::string& reason) {
  entries_.push_back({name, reason});
}

std::vector<HLQValueAddress> HLQPageWrites::addresses() const {
  std::vector<HLQValueAddress> addresses;
  for (const HLQValueToStore& v : values_) addresses.push_back({v.section, v.key, v.attribute});
  return addresses;
}

std::string HLQPageWrites::nameOfValue(size_t i) const { return valueNames_.at(i); }

ApplyReport HLQPageWrites::store() const { return report(HLQ_StoreValues(file_, values_)); }

ApplyReport HLQPageWrites::report(const std::vector<WriteResult>& results) const {
  ApplyReport report;
  report.file = file_;
  size_t next = 0;
  for (const Entry& entry : entries_) {
    if (!entry.leftUnchangedReason.empty())
      report.leftUnchanged(entry.name, entry.leftUnchangedReason);
    else if (next < results.size())
      report.record(entry.name, results[next++]);
    else
      report.leftUnchanged(entry.name, _("no result came back for it"));
  }
  return report;
}

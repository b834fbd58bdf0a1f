#include "pages/page_writes.h"

#include <glib/gi18n-lib.h>

#include "config/config_layout.h"
#include "pages/page_model.h"

// Every value goes through its rule in the page model: a text the page holds
// (one the technician typed) that the daemon could not use is not written,
// and the report says what the field must hold.
void HLQPageWrites::add(const std::string& name, const char* section, const char* key,
                        const char* attribute, const std::string& value) {
  const HLQStoredValue* model =
      HLQ_FindStoredValue(HLQ_ConfigFileName(file_), section, key, attribute);
  const std::string stored = model ? HLQ_TypedTextToStore(*model, value) : value;
  const std::string refusal = model ? HLQ_RefusalOfStoredText(*model, stored.c_str()) : "";
  if (!refusal.empty()) return leftUnchanged(name, refusal);
  entries_.push_back({name, ""});
  values_.push_back({section, key, attribute, stored});
}

void HLQPageWrites::text(const char* section, const char* key, const std::string& value) {
  add(key, section, key, nullptr, value);
}

void HLQPageWrites::attribute(const char* section, const char* key, const char* attribute,
                              const std::string& value) {
  // TRANSLATORS: names a value in the Apply report: the element, then its attribute.
  g_autofree gchar* name = g_strdup_printf(_("%s attribute %s"), key, attribute);
  add(name, section, key, attribute, value);
}

void HLQPageWrites::leftUnchanged(const std::string& name, const std::string& reason) {
  entries_.push_back({name, reason});
}

ApplyReport HLQPageWrites::store() const {
  ApplyReport report;
  report.file = file_;
  const std::vector<WriteResult> results = HLQ_StoreValues(file_, values_);
  size_t next = 0;
  for (const Entry& entry : entries_) {
    if (entry.leftUnchangedReason.empty())
      report.record(entry.name, results[next++]);
    else
      report.leftUnchanged(entry.name, entry.leftUnchangedReason);
  }
  return report;
}

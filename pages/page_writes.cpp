#include "pages/page_writes.h"

#include <glib/gi18n-lib.h>

void HLQPageWrites::text(const char* section, const char* key, const std::string& value) {
  entries_.push_back({key, ""});
  values_.push_back({section, key, nullptr, value});
}

void HLQPageWrites::attribute(const char* section, const char* key, const char* attribute,
                              const std::string& value) {
  // TRANSLATORS: names a value in the Apply report: the element, then its attribute.
  g_autofree gchar* name = g_strdup_printf(_("%s attribute %s"), key, attribute);
  entries_.push_back({name, ""});
  values_.push_back({section, key, attribute, value});
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

#include "helper/given_values.h"

#include <cstring>

#include "config/config_layout.h"
#include "config/file_lock.h"
#include "config/xml_values.h"

bool HLQGivenPlan::writes() const {
  for (const HLQValuePlan& value : plan.values)
    if (!value.refused.empty() || !value.unread.empty()) return false;
  return !plan.writes.empty();
}

HLQGivenPlan HLQ_PlanGivenValues(const char* file, const std::vector<HLQValueRequest>& given) {
  HLQGivenPlan planned;
  planned.texts = HLQ_ReadStoredTexts({file});
  HLQCodepageLists unused;  // the code page is never among the given values
  planned.plan = HLQ_PlanChanges(given, planned.texts, &unused);
  return planned;
}

HLQGivenPlan HLQ_StoreGivenValues(const char* file, const std::vector<HLQValueRequest>& given,
                                  std::vector<WriteResult>* results) {
  // The store below takes the same lock on this thread: it shares this one.
  HLQFileLock lock(HLQ_ConfigFilePath(file));
  HLQGivenPlan planned;
  if (!lock.held()) {
    planned.texts.files[file] = {false, false, lock.problem()};
    return planned;
  }
  planned = HLQ_PlanGivenValues(file, given);
  results->clear();
  if (!planned.writes()) return planned;
  std::vector<HLQValueToStore> values;
  for (const HLQPlannedWrite& write : planned.plan.writes)
    values.push_back({write.stored->section, write.stored->key, write.stored->attribute,
                      write.text});
  *results = HLQ_StoreValuesInOneSave(HLQ_ConfigFilePath(file), values);
  return planned;
}

GVariant* HLQ_GivenValuesReply(const char* file, const HLQStoredTexts& texts, GVariant* results) {
  GVariantBuilder values;
  g_variant_builder_init(&values, G_VARIANT_TYPE("a(sssbs)"));
  const auto read = texts.files.find(file);
  const bool loaded = read != texts.files.end() && read->second.loaded;
  for (const HLQStoredValue& value : HLQ_StoredValues()) {
    auto text = texts.values.find(&value);
    if (!loaded || std::strcmp(value.file, file) != 0 || text == texts.values.end()) continue;
    g_variant_builder_add(&values, "(sssbs)", value.section, value.key,
                          value.attribute ? value.attribute : "", text->second.text.has_value(),
                          text->second.text ? text->second.text->c_str()
                                            : text->second.reason.c_str());
  }
  return g_variant_new("(bs@a(sssbs)@a(sssus))", loaded,
                       read != texts.files.end() ? read->second.reason.c_str() : "",
                       g_variant_builder_end(&values), results);
}

#include "hlqctl/store_plan.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "config/config_layout.h"
#include "config/helper_calls.h"
#include "config/xml_config.h"

namespace {

const HLQStoredValue* msrValue(const char* key) {
  return HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::MSR, key, nullptr);
}

// The texts a wrapper's writes were planned from: all three of each wrapper
// that a write of `values` touches, as they were read.
std::vector<HLQHeldText> heldWrappers(const std::vector<HLQValueToStore>& values,
                                      const HLQStoredTexts& texts) {
  std::vector<HLQHeldText> held;
  for (const HLQWrapperKeys& wrapper : HLQ_WRAPPERS) {
    const HLQStoredValue* parts[] = {msrValue(wrapper.active), msrValue(wrapper.keptAside),
                                     msrValue(wrapper.flag)};
    bool touched = false;
    for (const HLQValueToStore& value : values)
      for (const HLQStoredValue* part : parts)
        touched = touched || (part && std::strcmp(value.section, part->section) == 0 &&
                              std::strcmp(value.key, part->key) == 0);
    for (const HLQStoredValue* part : parts) {
      auto read = part ? texts.values.find(part) : texts.values.end();
      if (touched && read != texts.values.end())
        held.push_back({part->section, part->key, part->attribute, read->second.text});
    }
  }
  return held;
}

std::vector<WriteResult> storeFile(const char* path, const std::vector<HLQValueToStore>& values,
                                   const std::vector<HLQHeldText>& held) {
  std::vector<WriteResult> results;
  if (!HLQ_NeedsHelper(path, W_OK)) {
    HLQ_StoreValuesIfHeld(path, values, held, &results, nullptr);
    return results;
  }
  std::string problem;
  const HLQHelperCalls* calls = HLQ_HelperCalls(&problem);
  if (calls) return calls->writeValuesIfHeld(path, values, held, HLQ_HelperInteractive());
  return std::vector<WriteResult>(values.size(), WriteResult{WriteStatus::NotAuthorized, problem});
}

}  // namespace

std::vector<WriteResult> HLQCtl_StorePlan(const HLQChangePlan& plan, const HLQStoredTexts& texts,
                                          bool check) {
  std::vector<WriteResult> results(plan.writes.size());
  if (check) return results;
  for (const char* file : {HLQ_DEVICE_FILE_NAME, HLQ_LOGGING_FILE_NAME}) {
    std::vector<HLQValueToStore> values;
    std::vector<size_t> placeOf;
    for (size_t i = 0; i < plan.writes.size(); ++i) {
      const HLQStoredValue& stored = *plan.writes[i].stored;
      if (std::string(stored.file) != file) continue;
      values.push_back({stored.section, stored.key, stored.attribute, plan.writes[i].text});
      placeOf.push_back(i);
    }
    if (values.empty()) continue;  // nothing to change: the file is not touched
    const std::vector<WriteResult> stored =
        storeFile(HLQ_ConfigFilePath(file), values, heldWrappers(values, texts));
    for (size_t k = 0; k < stored.size(); ++k) results[placeOf[k]] = stored[k];
  }
  return results;
}

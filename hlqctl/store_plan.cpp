#include "hlqctl/store_plan.h"

#include <unistd.h>

#include <string>

#include "config/config_layout.h"
#include "config/xml_config.h"

std::vector<WriteResult> HLQCtl_StorePlan(const HLQChangePlan& plan, bool check) {
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
    const char* path = HLQ_ConfigFilePath(file);
    const std::vector<WriteResult> stored = HLQ_NeedsHelper(path, W_OK)
                                                ? HLQ_HelperStore(path, values)
                                                : HLQ_StoreValuesInOneSave(path, values);
    for (size_t k = 0; k < stored.size(); ++k) results[placeOf[k]] = stored[k];
  }
  return results;
}

#include "hlqctl/helper_given.h"

#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <cstring>

#include "config/config_layout.h"
#include "config/xml_values.h"

namespace {

// The one file all of `requests` belong to, where only the helper may read
// and write it; nullptr otherwise.
const char* helperOnlyFile(const std::vector<HLQValueRequest>& requests) {
  const HLQStoredValue* codepage =
      HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PRINTER, kwn::CODE_PAGE, nullptr);
  const char* file = nullptr;
  for (const HLQValueRequest& request : requests) {
    if (request.value == codepage || !request.value->name) return nullptr;
    if (file && std::strcmp(file, request.value->file) != 0) return nullptr;
    file = request.value->file;
  }
  const char* path = file ? HLQ_ConfigFilePath(file) : nullptr;
  if (!path || !HLQ_NeedsHelper(path, R_OK) || !HLQ_NeedsHelper(path, W_OK)) return nullptr;
  return file;
}

HLQHelperGivenValue givenOf(const HLQValueRequest& request) {
  const HLQGivenValue& given = request.given;
  switch (given.kind) {
    case HLQGivenValue::Kind::Boolean: return {request.value->name, 1, given.on ? "true" : "false"};
    case HLQGivenValue::Kind::Number: return {request.value->name, 2, given.text};
    case HLQGivenValue::Kind::Other: return {request.value->name, 3, given.text};
    default: return {request.value->name, 0, given.text};
  }
}

}  // namespace

bool HLQCtl_StoreGivenValues(const std::vector<HLQValueRequest>& requests, bool check,
                             HLQHelperGivenStore* answer) {
  const char* file = check ? nullptr : helperOnlyFile(requests);
  std::string problem;
  const HLQHelperCalls* calls = file ? HLQ_HelperCalls(&problem) : nullptr;
  if (!calls || !calls->writeGivenValues) return false;
  std::vector<HLQHelperGivenValue> given;
  for (const HLQValueRequest& request : requests) given.push_back(givenOf(request));
  *answer = calls->writeGivenValues(HLQ_ConfigFilePath(file), given, HLQ_HelperInteractive());
  if (answer->refused) return false;
  HLQ_RememberHelperRead(HLQ_ConfigFilePath(file), answer->read);
  return true;
}

std::vector<WriteResult> HLQCtl_GivenResults(const HLQChangePlan& plan,
                                             const HLQHelperGivenStore& answer) {
  std::vector<WriteResult> results;
  for (const HLQPlannedWrite& write : plan.writes) {
    const char* attribute = write.stored->attribute ? write.stored->attribute : "";
    WriteResult result{WriteStatus::SaveFailed, _("the helper did not answer for it")};
    for (const HLQHelperGivenStore::Stored& stored : answer.results)
      if (stored.section == write.stored->section && stored.key == write.stored->key &&
          stored.attribute == attribute)
        result = stored.result;
    results.push_back(result);
  }
  return results;
}

// set and apply: values checked by the page model, then only the changed
// ones stored, each file in one save.
#include <glib.h>
#include <glib/gi18n-lib.h>

#include <cstdio>

#include "hlqctl/change_input.h"
#include "hlqctl/exit_codes.h"
#include "hlqctl/json_output.h"
#include "hlqctl/store_plan.h"
#include "hlqctl/table.h"
#include "hlqctl/verbs.h"
#include "model/value_changes.h"

namespace {

struct Outcome {
  const char* status;  // for scripts
  std::string reason;
  int exit = HLQCTL_DONE;
};

const char* translatedStatus(const std::string& status) {
  if (status == "stored") return _("stored");
  if (status == "unchanged") return _("unchanged");
  if (status == "refused") return _("refused");
  if (status == "would-change") return _("would change");
  return _("not stored");
}

Outcome written(const HLQValuePlan& value, const std::vector<WriteResult>& results) {
  bool changed = false;
  for (size_t write : value.writes) {
    const WriteResult& result = results[write];
    if (!result.stored())
      return {"not-stored", result.reason,
              result.status == WriteStatus::NotAuthorized ? HLQCTL_NOT_AUTHORISED
                                                          : HLQCTL_NOT_STORED};
    changed = changed || result.changed();
  }
  return {changed ? "stored" : "unchanged", ""};
}

Outcome outcomeOf(const HLQValuePlan& value, bool blocked, bool check,
                  const std::vector<WriteResult>& results) {
  if (!value.refused.empty()) return {"refused", value.refused, HLQCTL_REFUSED};
  if (!value.unread.empty())
    return {"not-stored", value.unread,
            value.helperUnanswered ? HLQCTL_NOT_AUTHORISED : HLQCTL_NOT_READ};
  if (value.writes.empty()) return {"unchanged", ""};
  if (check) return {"would-change", ""};
  if (blocked)
    return {"not-stored",
            _("nothing was written, because another value was refused or could not be read")};
  return written(value, results);
}

void print(const HLQChangePlan& plan, const std::vector<Outcome>& outcomes, bool changed,
           bool json) {
  if (json) {
    HLQCtlJson list = HLQCtlJson::array();
    for (size_t i = 0; i < outcomes.size(); ++i) {
      const HLQValuePlan& value = plan.values[i];
      list.push_back({{"key", value.value->name},
                      {"before", HLQCtl_JsonValue(value.before)},
                      {"after", HLQCtl_JsonValue(value.after)},
                      {"status", outcomes[i].status},
                      {"reason", outcomes[i].reason}});
    }
    HLQCtl_PrintJson({{"changed", changed}, {"results", list}});
    return;
  }
  std::vector<HLQCtlRow> rows;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const HLQValuePlan& value = plan.values[i];
    HLQCtlRow row = {value.value->name, HLQCtl_ShownText(value.before), "->",
                     HLQCtl_ShownText(value.after), translatedStatus(outcomes[i].status)};
    if (!outcomes[i].reason.empty()) row.push_back("(" + outcomes[i].reason + ")");
    rows.push_back(row);
  }
  HLQCtl_PrintTable(rows);
}

int change(const std::vector<HLQValueRequest>& requests, const HLQCtlArguments& arguments) {
  std::vector<const HLQStoredValue*> values;
  for (const HLQValueRequest& request : requests) values.push_back(request.value);
  const HLQStoredTexts texts = HLQ_ReadStoredTexts(HLQCtl_FilesOf(values));
  HLQCodepageLists codepages;
  const HLQChangePlan plan = HLQ_PlanChanges(requests, texts, &codepages);
  bool blocked = false;
  for (const HLQValuePlan& value : plan.values)
    blocked = blocked || !value.refused.empty() || !value.unread.empty();
  const std::vector<WriteResult> results = HLQCtl_StorePlan(plan, arguments.check || blocked);
  bool changed = false;
  if (!arguments.check && !blocked)
    for (const WriteResult& result : results) changed = changed || result.changed();
  std::vector<Outcome> outcomes;
  int status = HLQCTL_DONE;
  for (const HLQValuePlan& value : plan.values) {
    outcomes.push_back(outcomeOf(value, blocked, arguments.check, results));
    status = HLQCtl_Worse(status, outcomes.back().exit);
  }
  print(plan, outcomes, changed, arguments.json);
  return status;
}

}  // namespace

int HLQCtl_Set(const HLQCtlArguments& arguments) {
  std::vector<HLQValueRequest> requests;
  std::string problem;
  if (!HLQCtl_RequestsOfOperands(arguments.operands, &requests, &problem))
    return HLQCtl_UsageError(problem);
  return change(requests, arguments);
}

int HLQCtl_Apply(const HLQCtlArguments& arguments) {
  std::string document, problem;
  if (!HLQCtl_ReadInput(arguments.operands[0], &document, &problem)) {
    std::fprintf(stderr, "hlqctl: %s\n", problem.c_str());
    // A script still gets its results object: nothing was changed.
    if (arguments.json) HLQCtl_PrintJson({{"changed", false}, {"results", HLQCtlJson::array()}});
    return HLQCTL_NOT_READ;
  }
  std::vector<HLQValueRequest> requests;
  if (!HLQCtl_RequestsOfJson(document, &requests, &problem)) return HLQCtl_UsageError(problem);
  return change(requests, arguments);
}

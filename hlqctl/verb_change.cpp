// set and apply: values checked by the page model, then only the changed
// ones stored, each file in one save; --check asks polkit whether a store
// through the helper would be allowed, --restart restarts the daemon once
// when something was stored.
#include <glib.h>
#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "base/failed.h"
#include "base/owned_text.h"
#include "config/config_layout.h"
#include "config/xml_values.h"
#include "hlqctl/change_input.h"
#include "hlqctl/exit_codes.h"
#include "hlqctl/helper_given.h"
#include "hlqctl/json_output.h"
#include "hlqctl/store_permission.h"
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

// --check: why a store of the file would not be allowed, by file name.
using CheckRefusals = std::map<std::string, std::string>;

Outcome outcomeOf(const HLQValuePlan& value, bool blocked, bool check,
                  const CheckRefusals& refusals, const std::vector<WriteResult>& results) {
  if (!value.refused.empty()) return {"refused", value.refused, HLQCTL_REFUSED};
  if (!value.unread.empty())
    return {"not-stored", value.unread,
            value.helperUnanswered ? HLQCTL_NOT_AUTHORISED : HLQCTL_NOT_READ};
  if (value.writes.empty()) return {"unchanged", ""};
  if (check) {
    auto refusal = refusals.find(value.value->file);
    if (refusal != refusals.end()) return {"not-stored", refusal->second, HLQCTL_NOT_AUTHORISED};
    return {"would-change", ""};
  }
  if (blocked)
    return {"not-stored",
            _("nothing was written, because another value was refused or could not be read")};
  return written(value, results);
}

// Whether polkit, asked without interaction, would let this user store;
// when not, why in `err`.
bool mayStore(bool noAskPassword, std::string* err) {
  std::string reason;
  switch (HLQCtl_StorePermission(&reason)) {
    case HLQCtlPermission::Allowed: return true;
    case HLQCtlPermission::NeedsPassword:
      if (!noAskPassword) return true;  // the store itself asks for it
      return HLQ_Failed(err, _("not authorised: storing would need the administrator's password, "
                               "and --no-ask-password was given"));
    case HLQCtlPermission::Refused:
      return HLQ_Failed(err, _("not authorised: polkit does not allow this user to store values"));
    case HLQCtlPermission::NotAsked: break;
  }
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(
                             // TRANSLATORS: %s says why polkit could not be asked.
                             _("not authorised: polkit could not be asked: %s"), reason.c_str())));
}

// The refusal, asked once, for each file a store would write through the
// helper.
CheckRefusals checkPermissions(const HLQChangePlan& plan, bool noAskPassword) {
  CheckRefusals refusals;
  bool asked = false;
  bool allowed = true;
  std::string refusal;
  for (const char* file : {HLQ_DEVICE_FILE_NAME, HLQ_LOGGING_FILE_NAME}) {
    bool written = false;
    for (const HLQPlannedWrite& write : plan.writes)
      written = written || std::strcmp(write.stored->file, file) == 0;
    if (!written || !HLQ_NeedsHelper(HLQ_ConfigFilePath(file), W_OK)) continue;
    if (!asked) allowed = mayStore(noAskPassword, &refusal);
    asked = true;
    if (!allowed) refusals[file] = refusal;
  }
  return refusals;
}

struct Report {
  bool changed = false;      // something was stored
  bool wouldChange = false;  // --check: something would be stored
  bool restartAsked = false;
  int restartStatus = HLQCTL_DONE;
  std::string restartProblem;
};

void printJson(const HLQChangePlan& plan, const std::vector<Outcome>& outcomes,
               const Report& report) {
  HLQCtlJson list = HLQCtlJson::array();
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const HLQValuePlan& value = plan.values[i];
    list.push_back({{"key", value.value->name},
                    {"before", HLQCtl_JsonValue(value.before)},
                    {"after", HLQCtl_JsonValue(value.after)},
                    {"status", outcomes[i].status},
                    {"reason", outcomes[i].reason},
                    {"file", HLQ_ConfigFilePath(value.value->file)}});
  }
  HLQCtlJson document = {{"changed", report.changed}, {"results", list}};
  document["would-change"] = report.wouldChange;
  document["restart-needed"] = report.changed && !(report.restartAsked &&
                                                   report.restartStatus == HLQCTL_DONE);
  if (report.restartAsked) {
    document["restarted"] = report.changed && report.restartStatus == HLQCTL_DONE;
    document["restart-reason"] = report.restartProblem;
  }
  HLQCtl_PrintJson(document);
}

void printHuman(const HLQChangePlan& plan, const std::vector<Outcome>& outcomes,
                const Report& report, bool verbose) {
  std::vector<HLQCtlRow> rows;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    if (!verbose && std::strcmp(outcomes[i].status, "unchanged") == 0) continue;
    const HLQValuePlan& value = plan.values[i];
    HLQCtlRow row = {value.value->name, HLQCtl_ShownText(value.before), "->",
                     HLQCtl_ShownText(value.after), translatedStatus(outcomes[i].status)};
    if (!outcomes[i].reason.empty()) row.push_back("(" + outcomes[i].reason + ")");
    rows.push_back(row);
  }
  HLQCtl_PrintTable(rows);
  if (rows.empty()) std::printf("%s\n", _("Nothing to change: every value is stored already."));
  if (!report.changed) return;
  if (!report.restartAsked)
    std::printf("%s\n", _("kwn must be restarted for the change to take effect (hlqctl restart)."));
  else if (report.restartStatus == HLQCTL_DONE)
    std::printf("%s\n", _("The daemon kwn was restarted."));
  else
    // TRANSLATORS: %s says why.
    std::fprintf(stderr, _("hlqctl: the daemon was not restarted: %s\n"),
                 report.restartProblem.c_str());
}

int change(const std::vector<HLQValueRequest>& requests, const HLQCtlArguments& arguments) {
  std::vector<const HLQStoredValue*> values;
  for (const HLQValueRequest& request : requests) values.push_back(request.value);
  // A file only the helper may read is stored in one call, which answers
  // with what it replaced: the plan below is made from that.
  HLQHelperGivenStore given;
  const bool storedAhead = HLQCtl_StoreGivenValues(requests, arguments.check, &given);
  const HLQStoredTexts texts = HLQ_ReadStoredTexts(HLQCtl_FilesOf(values));
  HLQCodepageLists codepages;
  const HLQChangePlan plan = HLQ_PlanChanges(requests, texts, &codepages);
  bool blocked = false;
  for (const HLQValuePlan& value : plan.values)
    blocked = blocked || !value.refused.empty() || !value.unread.empty();
  const CheckRefusals refusals = arguments.check && !blocked
                                     ? checkPermissions(plan, arguments.noAskPassword)
                                     : CheckRefusals{};
  const std::vector<WriteResult> results =
      storedAhead ? HLQCtl_GivenResults(plan, given)
                  : HLQCtl_StorePlan(plan, texts, arguments.check || blocked);
  Report report;
  if (!arguments.check && !blocked)
    for (const WriteResult& result : results) report.changed = report.changed || result.changed();
  std::vector<Outcome> outcomes;
  int status = HLQCTL_DONE;
  for (const HLQValuePlan& value : plan.values) {
    outcomes.push_back(outcomeOf(value, blocked, arguments.check, refusals, results));
    status = HLQCtl_Worse(status, outcomes.back().exit);
    report.wouldChange = report.wouldChange || std::strcmp(outcomes.back().status,
                                                           "would-change") == 0;
  }
  report.restartAsked = arguments.restart;
  if (arguments.restart && report.changed) {
    report.restartStatus = HLQCtl_RestartDaemon(&report.restartProblem);
    status = HLQCtl_Worse(status, report.restartStatus);
  }
  if (arguments.json) printJson(plan, outcomes, report);
  else printHuman(plan, outcomes, report, arguments.verbose);
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
  std::vector<HLQValueRequest> requests;
  if (!HLQCtl_ReadInput(arguments.operands[0], &document, &problem) ||
      !HLQCtl_RequestsOfJson(document, &requests, &problem)) {
    // A script still gets its results object: nothing was changed.
    if (arguments.json) HLQCtl_PrintJson({{"changed", false}, {"results", HLQCtlJson::array()}});
    return HLQCtl_UsageError(problem);
  }
  return change(requests, arguments);
}

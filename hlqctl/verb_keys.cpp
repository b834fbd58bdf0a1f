// keys: every key and what it accepts.
#include <glib/gi18n-lib.h>

#include "hlqctl/exit_codes.h"
#include "hlqctl/json_output.h"
#include "hlqctl/table.h"
#include "hlqctl/verbs.h"

int HLQCtl_Keys(const HLQCtlArguments& arguments) {
  HLQCtlJson document = HLQCtlJson::object();
  std::vector<HLQCtlRow> rows = {{_("KEY"), _("VALUES")}};
  for (const HLQStoredValue* value : HLQ_NamedValues()) {
    const std::vector<std::string> choices = HLQ_ValueChoices(*value);
    std::string accepted;
    for (const std::string& choice : choices) accepted += (accepted.empty() ? "" : " ") + choice;
    if (choices.empty()) accepted = "<" + HLQ_ValueDescription(*value) + ">";
    rows.push_back({value->name, accepted});
    HLQCtlJson entry = {{"page", HLQ_PageName(value->page)}, {"type", HLQ_ValueKindName(*value)}};
    if (!choices.empty()) entry["choices"] = choices;
    else entry["description"] = HLQ_ValueDescription(*value);
    document[value->name] = entry;
  }
  if (arguments.json)
    HLQCtl_PrintJson(document);
  else
    HLQCtl_PrintTable(rows);
  return HLQCTL_DONE;
}

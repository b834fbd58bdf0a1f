// hlqctl: the command line of the configuration tool, for a terminal
// reached over SSH and for scripts. No GTK and no display; the helper's bus
// client is loaded only when a call needs it.
#include "hlqctl/run.h"

#include <glib.h>

#include "base/translations.h"
#include "config/helper_calls.h"
#include "hlqctl/arguments.h"
#include "hlqctl/exit_codes.h"
#include "hlqctl/helper_on_demand.h"
#include "hlqctl/password_agent.h"
#include "hlqctl/verbs.h"

namespace {

struct VerbRun {
  const char* name;
  int (*run)(const HLQCtlArguments&);
};

constexpr VerbRun kRuns[] = {
    {"status", HLQCtl_Status},   {"show", HLQCtl_Show},       {"get", HLQCtl_Get},
    {"set", HLQCtl_Set},         {"apply", HLQCtl_Apply},     {"restart", HLQCtl_Restart},
    {"devices", HLQCtl_Devices}, {"codepages", HLQCtl_Codepages}, {"keys", HLQCtl_Keys},
};

}  // namespace

int HLQCtl_Run(int argc, char** argv) {
  // JSON is never translated: the messages (and the helper's reasons,
  // which follow this process's language) stay in the C locale.
  if (!HLQCtl_WantsJson(argc, argv)) HLQSetUpTranslations();
  g_set_prgname("hlqctl");
  HLQCtlArguments arguments;
  std::string problem;
  if (!HLQCtl_ParseArguments(argc, argv, &arguments, &problem))
    return HLQCtl_UsageError(problem);
  HLQ_UseHelperCalls(HLQCtl_HelperCallsOnDemand);
  HLQ_SetHelperInteractive(!arguments.noAskPassword);
  int status = HLQCTL_USAGE;
  for (const VerbRun& verb : kRuns)
    if (arguments.verb == verb.name) status = verb.run(arguments);
  HLQCtl_EndPasswordAgent();
  return status;
}

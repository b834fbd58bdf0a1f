// restart: the daemon's restart, by root itself, by anyone else through the
// privileged helper.
#include <glib/gi18n-lib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "base/fixed_paths.h"
#include "config/helper_calls.h"
#include "hlqctl/exit_codes.h"
#include "hlqctl/verbs.h"

int HLQCtl_RestartDaemon(std::string* err) {
  bool answered = true;
  bool restarted = false;
  if (geteuid() == 0) {
    const int status = std::system(HLQ_RESTART_COMMAND);
    restarted = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!restarted) *err = _("the restart command failed");
  } else if (const HLQHelperCalls* calls = HLQ_HelperCalls(err)) {
    restarted = calls->restartDaemon(HLQ_HelperInteractive(), &answered, err);
  } else {
    answered = false;
  }
  if (restarted) return HLQCTL_DONE;
  return answered ? HLQCTL_RESTART_FAILED : HLQCTL_NOT_AUTHORISED;
}

int HLQCtl_Restart(const HLQCtlArguments&) {
  std::string err;
  const int status = HLQCtl_RestartDaemon(&err);
  if (status == HLQCTL_DONE) {
    std::printf("%s\n", _("The daemon kwn was restarted."));
    return HLQCTL_DONE;
  }
  // TRANSLATORS: %s says why.
  std::fprintf(stderr, _("hlqctl: the daemon was not restarted: %s\n"), err.c_str());
  return status;
}

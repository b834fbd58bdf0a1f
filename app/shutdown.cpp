#include "app/shutdown.h"

#include <glib-unix.h>
#include <glib/gi18n-lib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/apply_report.h"
#include "base/fixed_paths.h"
#include "app/instance_lock.h"
#include "app/message_box.h"
#include "config/helper_calls.h"

namespace {

bool g_interrupted = false;

// Root restarts the daemon itself; anyone else has the privileged helper do
// it, and the reason it did not goes to standard error.
bool restart() {
  if (geteuid() == 0) {
    int status = std::system(HLQ_RESTART_COMMAND);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  std::string problem;
  const HLQHelperCalls* calls = HLQ_HelperCalls(&problem);
  if (calls && calls->restartDaemon(HLQ_HelperInteractive(), nullptr, &problem)) return true;
  std::fprintf(stderr, _("hlqconfig: the daemon was not restarted: %s\n"), problem.c_str());
  return false;
}

}  // namespace

void HLQRestartDaemon() {
  const char* title = _("KWN Service Restart");
  StatusMessageBox(_("Detected Changes on the Configuration \n Need to Restart KWN"), title);
  bool restarted = restart();
  StatusMessageBox(restarted ? _("KWN Service Restarted") : _("Unable to restart the KWN service"),
                   title);
}

void on_gtkwindow_hlqconfigtool_destroy(GtkWidget*, gpointer) {
  // The lock goes first, so that a new instance can start while the
  // messages below are still on screen.
  HLQRemovePIDFile(HLQ_LockFilePath());
  if (g_hlqConfigChanged) HLQRestartDaemon();
  if (gtk_main_level() > 0) gtk_main_quit();
}

gboolean INTsighandler(gpointer) {
  g_interrupted = true;
  // Removes the file only when this instance holds the lock: an interrupt
  // during start-up or refusal never touches another instance's file.
  HLQRemovePIDFile(HLQ_LockFilePath());
  if (gtk_main_level() > 0) gtk_main_quit();
  return G_SOURCE_CONTINUE;
}

void HLQInstallInterruptHandler() { g_unix_signal_add(SIGINT, INTsighandler, nullptr); }

bool HLQInterrupted() { return g_interrupted; }

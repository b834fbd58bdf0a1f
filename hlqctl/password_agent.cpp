#include "hlqctl/password_agent.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "config/helper_calls.h"

namespace {

constexpr int kRegisterMilliseconds = 5000;
constexpr int kNotifyFd = 3;  // in the agent
GPid g_agent = 0;

// The agent closes its end of the pipe once it is registered (or ends).
void waitUntilRegistered(int notified) {
  struct pollfd watch = {notified, POLLIN, 0};
  char byte;
  while (poll(&watch, 1, kRegisterMilliseconds) > 0 && read(notified, &byte, 1) > 0) {
  }
}

}  // namespace

void HLQCtl_StartPasswordAgent() {
  if (g_agent || !HLQ_HelperInteractive() || !isatty(STDIN_FILENO)) return;
  int notify[2];
  if (!g_unix_open_pipe(notify, FD_CLOEXEC, nullptr)) return;
  const std::string pid = std::to_string(getpid());
  const std::string fd = std::to_string(kNotifyFd);
  const gchar* argv[] = {"pkttyagent", "--process", pid.c_str(), "--notify-fd", fd.c_str(),
                         "--fallback", nullptr};
  const gint sources[] = {notify[1]};
  const gint targets[] = {kNotifyFd};
  const bool started = g_spawn_async_with_pipes_and_fds(
      nullptr, argv, nullptr,
      GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_CHILD_INHERITS_STDIN),
      // Whatever the agent writes goes to standard error, never into the
      // program's own output (JSON, say); it asks on the terminal itself.
      nullptr, nullptr, -1, STDERR_FILENO, -1, sources, targets, 1, &g_agent, nullptr, nullptr,
      nullptr, nullptr);
  close(notify[1]);
  if (started) waitUntilRegistered(notify[0]);
  else g_agent = 0;
  close(notify[0]);
}

void HLQCtl_EndPasswordAgent() {
  if (!g_agent) return;
  kill(g_agent, SIGTERM);
  waitpid(g_agent, nullptr, 0);
  g_spawn_close_pid(g_agent);
  g_agent = 0;
}

#include "helper/restart_command.h"

#include <glib.h>
#include <sys/wait.h>

#include "base/fixed_paths.h"

namespace {

struct Running {
  std::function<void(int)> done;
};

void exited(GPid pid, gint waitStatus, gpointer data) {
  Running* running = static_cast<Running*>(data);
  g_spawn_close_pid(pid);
  running->done(WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1);
  delete running;
}

}  // namespace

void HLQ_StartRestartCommand(std::function<void(int status)> done) {
  g_autofree gchar* path = g_strconcat("PATH=", HLQ_RestartSearchPath(), nullptr);
  gchar* env[] = {path, const_cast<gchar*>("LC_ALL=C.UTF-8"), nullptr};
  g_auto(GStrv) argv = nullptr;
  GPid pid = 0;
  // Descriptors other than the standard three are closed; standard input is
  // empty, and the command's output joins the helper's (the journal).
  const bool started =
      g_shell_parse_argv(HLQ_RESTART_COMMAND, nullptr, &argv, nullptr) &&
      g_spawn_async("/", argv, env,
                    GSpawnFlags(G_SPAWN_SEARCH_PATH_FROM_ENVP | G_SPAWN_STDIN_FROM_DEV_NULL |
                                G_SPAWN_CHILD_INHERITS_STDOUT | G_SPAWN_CHILD_INHERITS_STDERR |
                                G_SPAWN_DO_NOT_REAP_CHILD),
                    nullptr, nullptr, &pid, nullptr);
  if (!started) {
    done(-1);
    return;
  }
  g_child_watch_add(pid, exited, new Running{std::move(done)});
}

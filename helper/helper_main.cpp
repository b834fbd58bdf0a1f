// hlqconfig-helper: the privileged half of the configuration tool. The
// system bus starts it as root when the tool first calls it; it stores and
// reads the pages' values and restarts the daemon for a window that runs as
// the technician, and ends after a while without calls.
#include <glib/gi18n-lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>

#include "config/fixed_paths.h"
#include "helper/bus_names.h"
#include "helper/helper_service.h"

namespace {

constexpr guint kIdleSeconds = 30;

GMainLoop* g_loop = nullptr;
guint g_idleTimer = 0;
int g_status = 0;

gboolean endWhenIdle(gpointer) {
  g_idleTimer = 0;
  g_main_loop_quit(g_loop);
  return G_SOURCE_REMOVE;
}

void restartIdleTimer() {
  if (g_idleTimer) g_source_remove(g_idleTimer);
  g_idleTimer = g_timeout_add_seconds(kIdleSeconds, endWhenIdle, nullptr);
}

void onBusAcquired(GDBusConnection* bus, const gchar*, gpointer) {
  GError* error = nullptr;
  if (!HLQ_ExportHelper(bus, restartIdleTimer, &error)) {
    std::fprintf(stderr, "hlqconfig-helper: cannot export %s: %s\n", HLQ_HELPER_OBJECT_PATH,
                 error->message);
    g_error_free(error);
    g_status = 1;
    g_main_loop_quit(g_loop);
  }
}

void onNameAcquired(GDBusConnection*, const gchar*, gpointer) { restartIdleTimer(); }

void onNameLost(GDBusConnection* bus, const gchar* name, gpointer) {
  std::fprintf(stderr, "hlqconfig-helper: %s %s\n",
               bus ? "cannot own the bus name (another helper runs, or the bus policy forbids it)"
                   : "cannot connect to the system bus for",
               name);
  g_status = 1;
  g_main_loop_quit(g_loop);
}

// Nothing of whoever started the process is used: the working folder, the
// file creation mask and the locale are the helper's own. Messages are in
// the caller's language per call (CallerLocale), in UTF-8.
void setUpProcess() {
  if (chdir("/") != 0) std::perror("hlqconfig-helper: chdir /");
  umask(022);
  std::setlocale(LC_ALL, "C.UTF-8");
  bindtextdomain(GETTEXT_PACKAGE, HLQ_LocaleDir());
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
  textdomain(GETTEXT_PACKAGE);
}

}  // namespace

int main() {
  setUpProcess();
  g_loop = g_main_loop_new(nullptr, FALSE);
  guint owner = g_bus_own_name(G_BUS_TYPE_SYSTEM, HLQ_HELPER_BUS_NAME, G_BUS_NAME_OWNER_FLAGS_NONE,
                               onBusAcquired, onNameAcquired, onNameLost, nullptr, nullptr);
  g_main_loop_run(g_loop);
  g_bus_unown_name(owner);
  g_main_loop_unref(g_loop);
  return g_status;
}

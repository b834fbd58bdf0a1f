// hlqconfig-helper: the privileged half of the configuration tool. The
// system bus starts it as root when the tool first calls it; it stores and
// reads the pages' values and restarts the daemon for a window that runs as
// the technician, and ends after a while without calls.
#include <glib/gi18n-lib.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>

#include "base/fixed_paths.h"
#include "helper/bus_names.h"
#include "helper/call_record.h"
#include "helper/helper_service.h"
#include "helper/oversized_calls.h"

namespace {

constexpr guint kIdleSeconds = 30;

GMainLoop* g_loop = nullptr;
GDBusConnection* g_bus = nullptr;
guint g_owner = 0;
guint g_idleTimer = 0;
bool g_releasing = false;
int g_status = 0;

gboolean endOnceAnswered(gpointer) {
  if (!HLQ_HelperBusy()) g_main_loop_quit(g_loop);
  return G_SOURCE_REMOVE;
}

// The name goes first, and at once: from then on the bus starts a new helper
// for whoever calls. What reached this one before is answered first; those
// calls are queued already and come before the low-priority check.
void end() {
  g_releasing = true;
  if (g_idleTimer) g_source_remove(g_idleTimer);
  g_idleTimer = 0;
  g_bus_unown_name(g_owner);
  g_owner = 0;
  g_idle_add_full(G_PRIORITY_LOW, endOnceAnswered, nullptr, nullptr);
}

// A call still waiting (for polkit, or for the restart) keeps the helper;
// its answer starts the wait again. So does a user's share of the record
// that is not used up yet: a fresh helper would start every share afresh.
// Nothing a caller sends ends the helper otherwise (an oversized message
// only leaves GDBus's read buffer that large until the helper ends), so no
// caller can make the service restart at will.
gboolean endWhenIdle(gpointer) {
  if (HLQ_RecordSharesOpen() && !HLQ_HelperBusy()) return G_SOURCE_CONTINUE;
  g_idleTimer = 0;
  if (!HLQ_HelperBusy()) end();
  return G_SOURCE_REMOVE;
}

// Runs after every call once it is answered.
void afterCall() {
  if (g_releasing) {
    g_idle_add_full(G_PRIORITY_LOW, endOnceAnswered, nullptr, nullptr);
    return;
  }
  if (g_idleTimer) g_source_remove(g_idleTimer);
  g_idleTimer = g_timeout_add_seconds(kIdleSeconds, endWhenIdle, nullptr);
}

void onBusAcquired(GDBusConnection* bus, const gchar*, gpointer) {
  g_bus = bus;
  HLQ_RefuseOversizedCalls(bus);
  GError* error = nullptr;
  if (!HLQ_ExportHelper(bus, afterCall, &error)) {
    std::fprintf(stderr, "hlqconfig-helper: cannot export %s: %s\n", HLQ_HELPER_OBJECT_PATH,
                 error->message);
    g_error_free(error);
    g_status = 1;
    g_main_loop_quit(g_loop);
  }
}

void onNameAcquired(GDBusConnection*, const gchar*, gpointer) { afterCall(); }

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
  // Every large block (such as a caller's whole message) gets pages of its
  // own, given back as soon as it is freed: left to itself, the allocator
  // raises this threshold after the first large block and keeps later ones
  // in its heap, where a flood of large messages would stay resident.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  if (chdir("/") != 0) std::perror("hlqconfig-helper: chdir /");
  umask(022);
  std::setlocale(LC_ALL, "C.UTF-8");
  // Every lookup names the tool's domain; the default domain stays
  // "messages", since GLib decides once, at its first lookup, to translate
  // nothing when the default domain has no catalog for the process's own
  // locale (the helper's C.UTF-8), whatever each call's locale is later.
  bindtextdomain(GETTEXT_PACKAGE, HLQ_LocaleDir());
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
}

}  // namespace

int main() {
  setUpProcess();
  g_loop = g_main_loop_new(nullptr, FALSE);
  g_owner = g_bus_own_name(G_BUS_TYPE_SYSTEM, HLQ_HELPER_BUS_NAME, G_BUS_NAME_OWNER_FLAGS_NONE,
                           onBusAcquired, onNameAcquired, onNameLost, nullptr, nullptr);
  g_main_loop_run(g_loop);
  HLQ_RecordLeftOut();
  // The answers given last must leave before the process does.
  if (g_bus) g_dbus_connection_flush_sync(g_bus, nullptr, nullptr);
  if (g_owner) g_bus_unown_name(g_owner);
  g_main_loop_unref(g_loop);
  return g_status;
}

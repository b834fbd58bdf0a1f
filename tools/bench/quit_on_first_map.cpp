#include "tools/bench/quit_on_first_map.h"

#include <gtk/gtk.h>
#include <sys/resource.h>

#include <cstdio>

namespace {

// Names the check buttons that are checked in the window as mapped, by
// their IDs in the UI file, one "checked ID" line each.
void printChecked(GtkWidget* widget, gpointer) {
  if (GTK_IS_CHECK_BUTTON(widget) && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)))
    std::printf("checked %s\n", gtk_buildable_get_name(GTK_BUILDABLE(widget)));
  if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), printChecked, nullptr);
}

gboolean destroyWindow(gpointer window) {
  gtk_widget_destroy(GTK_WIDGET(window));
  return G_SOURCE_REMOVE;
}

// An emission hook sees every widget's "map-event" without touching the
// program's own handlers. The window is destroyed from an idle callback of
// high priority, outside the emission, before anything else runs.
gboolean onMapEvent(GSignalInvocationHint*, guint, const GValue* values, gpointer) {
  GObject* widget = G_OBJECT(g_value_get_object(&values[0]));
  if (GTK_IS_WINDOW(widget) && gtk_widget_is_toplevel(GTK_WIDGET(widget))) {
    if (g_getenv("HLQ_BENCH_PRINT_CHECKED")) printChecked(GTK_WIDGET(widget), nullptr);
    g_idle_add_full(G_PRIORITY_HIGH, destroyWindow, widget, nullptr);
    return FALSE;  // one window only
  }
  return TRUE;
}

}  // namespace

void BenchCloseFirstMappedWindow() {
  g_type_class_unref(g_type_class_ref(GTK_TYPE_WINDOW));
  g_signal_add_emission_hook(g_signal_lookup("map-event", GTK_TYPE_WIDGET), 0, onMapEvent,
                             nullptr, nullptr);
}

void BenchPrintPeakRss() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak_rss_kib %ld\n", usage.ru_maxrss);
}

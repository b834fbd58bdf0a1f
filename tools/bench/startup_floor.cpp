// The least a program can do to show the tool's window: load the same UI
// file, show the main window, and end once it is mapped.
#include <gtk/gtk.h>

#include <cstdio>

#include "base/fixed_paths.h"
#include "tools/bench/quit_on_first_map.h"

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) return 1;
  BenchCloseFirstMappedWindow();
  GtkBuilder* builder = gtk_builder_new_from_file(HLQ_UiFilePath());
  GtkWidget* window = GTK_WIDGET(gtk_builder_get_object(builder, "gtkwindow_hlqconfigtool"));
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show(window);
  gtk_main();
  g_object_unref(builder);
  BenchPrintPeakRss();
  return 0;
}

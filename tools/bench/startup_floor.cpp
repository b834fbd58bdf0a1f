// The least a program can do to show the tool's window: load the same UI
// file, show the main window, and end once it is mapped. Check button IDs
// given as arguments are checked first, so that the floor can show the
// window in the state the tool shows it: the theme draws a checked box at a
// cost of its own (an SVG rendered per box) that an unchecked one lacks.
#include <gtk/gtk.h>

#include <cstdio>

#include "base/fixed_paths.h"
#include "tools/bench/quit_on_first_map.h"

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) return 1;
  BenchCloseFirstMappedWindow();
  GtkBuilder* builder = gtk_builder_new_from_file(HLQ_UiFilePath());
  GtkWidget* window = GTK_WIDGET(gtk_builder_get_object(builder, "gtkwindow_hlqconfigtool"));
  for (int i = 1; i < argc; ++i)
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(gtk_builder_get_object(builder, argv[i])), TRUE);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show(window);
  gtk_main();
  g_object_unref(builder);
  BenchPrintPeakRss();
  return 0;
}

// The two ways out of the running tool: closing the window (with the daemon
// restart when anything was applied) and the interrupt signal (quietly).
#pragma once

#include <glib.h>
#include <gtk/gtk.h>

extern "C" {
// The main window's "destroy" handler.
void on_gtkwindow_hlqconfigtool_destroy(GtkWidget* widget, gpointer data);
}

// The SIGINT handler, run from the main loop (a GLib unix signal source), so
// it may call GTK safely. Removes this instance's lock file and leaves the
// main loop; shows nothing, restarts nothing.
gboolean INTsighandler(gpointer data);

// Installs INTsighandler for SIGINT.
void HLQInstallInterruptHandler();

// True once SIGINT has arrived.
bool HLQInterrupted();

// Announces the restart, runs the restart command (as root through the
// shell, otherwise through the privileged helper) and reports the outcome.
void HLQRestartDaemon();

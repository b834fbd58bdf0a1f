// The start of every test program that uses GTK: GoogleTest's flags, GTK on
// the suite's display, every GLib warning or critical made fatal, and a
// watchdog against a test that hangs.
#pragma once

// Runs the tests and returns main()'s exit code. `beforeGtk` (may be null)
// runs once the tests are to run for real (not merely listed) and before GTK
// starts, while the process still has a single thread.
int HLQTest_RunGtkTests(int argc, char** argv, void (*beforeGtk)());

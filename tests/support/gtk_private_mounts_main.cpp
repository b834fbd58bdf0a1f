// main() of the test programs that mount file systems of their own and use
// GTK: the process first gets mounts of its own (while it still has a single
// thread), then GTK is initialised as in the other test programs and every
// GLib warning or critical fails the run. Tests that need the mounts skip,
// saying why, when the namespace could not be entered.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/private_mounts.h"

namespace {
gboolean watchdog(gpointer) {
  std::fprintf(stderr, "test watchdog: still running after 30 s (a dialog left unanswered?)\n");
  std::abort();
}
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  std::string problem = HLQTest_EnterPrivateMounts();
  if (!problem.empty()) std::fprintf(stderr, "no mounts of our own: %s\n", problem.c_str());
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "GTK cannot open a display: run the tests under xvfb-run\n");
    return 1;
  }
  g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL));
  g_timeout_add_seconds(30, watchdog, nullptr);
  return RUN_ALL_TESTS();
}

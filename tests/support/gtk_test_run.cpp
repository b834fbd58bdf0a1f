#include "tests/support/gtk_test_run.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

namespace {
// A test that hangs in a nested loop fails instead of blocking the suite.
gboolean watchdog(gpointer) {
  std::fprintf(stderr, "test watchdog: still running after 30 s (a dialog left unanswered?)\n");
  std::abort();
}
}  // namespace

int HLQTest_RunGtkTests(int argc, char** argv, void (*beforeGtk)()) {
  testing::InitGoogleTest(&argc, argv);
  // Listing tests needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (beforeGtk) beforeGtk();
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "GTK cannot open a display: run the tests under xvfb-run\n");
    return 1;
  }
  g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL));
  g_timeout_add_seconds(30, watchdog, nullptr);
  return RUN_ALL_TESTS();
}

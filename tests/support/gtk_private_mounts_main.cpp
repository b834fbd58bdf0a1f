// main() of the test programs that mount file systems of their own and use
// GTK: the process first gets mounts of its own (while it still has a single
// thread), then runs as the other GTK test programs do. Tests that need the
// mounts skip, saying why, when the namespace could not be entered.
#include <cstdio>
#include <string>

#include "tests/support/gtk_test_run.h"
#include "tests/support/private_mounts.h"

namespace {
void enterPrivateMounts() {
  std::string problem = HLQTest_EnterPrivateMounts();
  if (!problem.empty()) std::fprintf(stderr, "no mounts of our own: %s\n", problem.c_str());
}
}  // namespace

int main(int argc, char** argv) { return HLQTest_RunGtkTests(argc, argv, enterPrivateMounts); }

// main() of the test programs that use GTK.
#include "tests/support/gtk_test_run.h"

int main(int argc, char** argv) { return HLQTest_RunGtkTests(argc, argv, nullptr); }

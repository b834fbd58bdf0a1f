// The tool's own start-up (the same HLQMain that main() runs), ended when
// its window is first mapped.
#include <gtk/gtk.h>

#include "app/startup.h"
#include "tools/bench/quit_on_first_map.h"

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) return 1;
  BenchCloseFirstMappedWindow();
  int status = HLQMain(argc, argv);
  BenchPrintPeakRss();
  return status;
}

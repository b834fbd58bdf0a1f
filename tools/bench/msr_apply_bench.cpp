// The MSR page's Apply (its write function, without the message box), with
// every check box and selector changed before it, timed as whoever runs it: as root it writes the file itself, as another user the
// privileged helper does. Prints one line:
//   msr writes <n> apply_us <median of RUNS>
// and fails when any value was not stored.
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "pages/msr_page.h"
#include "tools/bench/loaded_pages.h"

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) return 1;
  const int runs = argc > 1 ? std::atoi(argv[1]) : 21;
  BenchLoadedPages window;

  std::vector<double> times;
  int writes = 0;
  for (int i = 0; i <= runs; ++i) {
    BenchChangeEveryField(window, HLQPage::Msr);
    auto start = std::chrono::steady_clock::now();
    ApplyReport report = MSRTab_WriteValues(&window.combos, &window.checks, &window.entries);
    auto end = std::chrono::steady_clock::now();
    if (!report.notStored.empty()) {
      std::fprintf(stderr, "msr_apply_bench: %s was not stored: %s\n",
                   report.notStored[0].name.c_str(), report.notStored[0].reason.c_str());
      return 1;
    }
    writes = report.stored;
    // The first Apply also starts the helper and asks polkit the first time.
    if (i > 0) times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  const size_t n = times.size();
  std::printf("msr writes %d apply_us %.0f\n", writes,
              n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2);
  return 0;
}

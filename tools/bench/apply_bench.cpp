// Each page's Apply (its write function, without the message box), with
// every check box and selector of the page changed before it, against as
// many bare load, change and crash-safe replace operations on the same file
// as the Apply saved it (once). Prints one line per page:
//   <page> writes <n> apply_us <median> floor_us <median>
// Under callgrind it measures one Apply and its floor each, with collection
// on only around them, and dumps the counts after each (labelled
// "<page> apply" and "<page> floor").
#include <gtk/gtk.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "pages/cashdrawer_page.h"
#include "pages/linedisplay_page.h"
#include "pages/logging_page.h"
#include "pages/msr_page.h"
#include "pages/printer_page.h"
#include "tools/bench/bare_replace.h"
#include "tools/bench/loaded_pages.h"

namespace {

struct PageApply {
  const char* name;
  HLQPage page;
  std::function<ApplyReport()> apply;
};

double microseconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void bareReplaces(const std::string& file, int count) {
  for (int i = 0; i < count; ++i)
    if (!BenchBareLoadChangeReplace(file.c_str())) {
      std::fprintf(stderr, "apply_bench: the bare replace of %s failed\n", file.c_str());
      std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) return 1;
  int repetitions = argc > 1 ? std::atoi(argv[1]) : 30;
  BenchLoadedPages window;
  HLQComboBoxes& combos = window.combos;
  HLQEntries& entries = window.entries;
  HLQCheckBoxes& checks = window.checks;

  const std::vector<PageApply> pages = {
      {"printer", HLQPage::Printer, [&] { return PrinterTab_WriteValues(&combos, &checks, &entries); }},
      {"cash-drawer", HLQPage::CashDrawer, [&] { return CashDrawerTab_WriteValues(&combos, &entries); }},
      {"line-display", HLQPage::LineDisplay, [&] { return LineDisplayTab_WriteValues(&combos, &entries); }},
      {"msr", HLQPage::Msr, [&] { return MSRTab_WriteValues(&combos, &checks, &entries); }},
      {"logging", HLQPage::Logging, [&] { return LoggingTab_WriteValues(&combos, &checks); }},
  };
  for (const auto& page : pages) {
    // The first Apply also tells whether one Apply saves the file.
    BenchChangeEveryField(window, page.page);
    ApplyReport first = page.apply();
    if (!first.notStored.empty()) {
      std::fprintf(stderr, "apply_bench: %s: %s was not stored: %s\n", page.name,
                   first.notStored[0].name.c_str(), first.notStored[0].reason.c_str());
      return 1;
    }
    const int writes = first.stored > 0 ? 1 : 0;  // every value in one save
    if (RUNNING_ON_VALGRIND) {
      // Named, since the request reads the label after its expression ends.
      const std::string applyLabel = std::string(page.name) + " apply";
      const std::string floorLabel = std::string(page.name) + " floor";
      BenchChangeEveryField(window, page.page);
      CALLGRIND_TOGGLE_COLLECT;
      page.apply();
      CALLGRIND_TOGGLE_COLLECT;
      CALLGRIND_DUMP_STATS_AT(applyLabel.c_str());
      CALLGRIND_TOGGLE_COLLECT;
      bareReplaces(first.file, writes);
      CALLGRIND_TOGGLE_COLLECT;
      CALLGRIND_DUMP_STATS_AT(floorLabel.c_str());
      std::printf("%s writes %d\n", page.name, writes);
      continue;
    }
    // Alternating, so that both see the same moments of a busy disk.
    std::vector<double> applyTimes, floorTimes;
    for (int i = 0; i < repetitions; ++i) {
      BenchChangeEveryField(window, page.page);
      applyTimes.push_back(microseconds([&] { page.apply(); }));
      floorTimes.push_back(microseconds([&] { bareReplaces(first.file, writes); }));
    }
    std::printf("%s writes %d apply_us %.0f floor_us %.0f\n", page.name, writes,
                median(applyTimes), median(floorTimes));
  }
  return 0;
}

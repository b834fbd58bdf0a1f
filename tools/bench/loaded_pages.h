// The window of the UI file with its registries bound and every page filled,
// as at start-up (handlers not connected), for the Apply benchmarks.
#pragma once

#include <gtk/gtk.h>

#include "app/registries.h"

struct BenchLoadedPages {
  BenchLoadedPages();
  ~BenchLoadedPages();
  BenchLoadedPages(const BenchLoadedPages&) = delete;
  BenchLoadedPages& operator=(const BenchLoadedPages&) = delete;

  GtkBuilder* builder;
  HLQComboBoxes combos{};
  HLQEntries entries{};
  HLQCheckBoxes checks{};
};

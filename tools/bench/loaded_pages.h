// The window of the UI file with its registries bound and every page filled,
// as at start-up (handlers not connected), for the Apply benchmarks.
#pragma once

#include <gtk/gtk.h>

#include "app/registries.h"
#include "model/page_model.h"

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

// Turns over every check box and moves every selector of `page` on by one
// item, so that its next Apply has a value of each field to write (an Apply
// writes only what changed since the page read it).
void BenchChangeEveryField(BenchLoadedPages& window, HLQPage page);

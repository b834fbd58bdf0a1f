// The start-up sequence of the tool, from loading the UI file to running
// the main loop (or refusing, when another instance runs).
#pragma once

#include <gtk/gtk.h>

#include "app/registries.h"

int HLQMain(int argc, char** argv);

// Fills the pages in their fixed order: printer, cash drawer, line display,
// MSR, logging, each remembering what it read; then shows every page whose
// file the privileged helper could not read as not read.
void HLQInitPages(HLQComboBoxes* combos, HLQEntries* entries, HLQCheckBoxes* checks);

// Ends a benchmark run at the moment its first top-level window is mapped,
// the same way in the tool's start-up and in the floor program: the window
// is destroyed as closing it would, and the program's own destroy handling
// ends the main loop.
#pragma once

// Call after gtk_init and before any window is shown. With
// HLQ_BENCH_PRINT_CHECKED set, the window's checked check buttons are
// printed as it is mapped ("checked ID"), outside any measured run.
void BenchCloseFirstMappedWindow();

// Prints the process's peak resident memory, in KiB, as "peak_rss_kib N".
void BenchPrintPeakRss();

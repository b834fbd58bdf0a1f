#include "tools/bench/loaded_pages.h"

#include "base/fixed_paths.h"
#include "config/helper_calls.h"
#include "app/startup.h"

BenchLoadedPages::BenchLoadedPages() : builder(gtk_builder_new_from_file(HLQ_UiFilePath())) {
  // As the window's start-up does: values this user may not write go to the helper.
  HLQ_UseHelperCalls(HLQ_LinkedHelperCalls);
  HLQCT_SetComboBoxesHandler(builder, &combos);
  HLQCT_SetEntriesHandler(builder, &entries);
  HLQCT_SetCheckBoxesHandler(builder, &checks);
  HLQInitPages(&combos, &entries, &checks);
}

BenchLoadedPages::~BenchLoadedPages() { g_object_unref(builder); }

// Filling the pages from the daemon's files: at start-up, each page in its
// fixed place in the order, remembering what it showed; then every page
// whose file the helper could not read is shown as not read. "Try again"
// reads such a file again without waiting and, once it is read, fills its
// pages anew without running their fields' handlers.
#pragma once

#include "app/registries.h"
#include "model/page_model.h"

// Remembers what the page's file holds for it and runs its initialiser.
void HLQ_FillPage(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                  HLQCheckBoxes* checks);

// Shows each page whose file the helper could not read as not read.
void HLQ_ShowUnreadFiles();

// "Try again" on `page`: reads its file again (through the helper, asking
// for the password where needed) and fills every page of that file.
void HLQ_ReadFileAgain(HLQPage page);

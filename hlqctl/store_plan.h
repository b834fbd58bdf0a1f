// Writing what set and apply planned: nothing at all when a value was
// refused or could not be read; otherwise each file's changed texts in one
// save, directly where this process may write the file, through the
// privileged helper where only the file's permissions keep it out. A
// wrapper's texts are planned together from what was read: they are stored
// only while the file still holds those three texts (checked under the
// writers' lock), so that a second writer of the same wrapper is told that
// its value was not stored rather than undoing the first one's.
#pragma once

#include <string>
#include <vector>

#include "config/write_result.h"
#include "model/page_values.h"
#include "model/value_changes.h"

// The result of each planned write, in the plan's order; `texts` is what the
// plan was made from. `check`: nothing is written and every result is empty.
std::vector<WriteResult> HLQCtl_StorePlan(const HLQChangePlan& plan, const HLQStoredTexts& texts,
                                          bool check);

// Writing what set and apply planned: nothing at all when a value was
// refused or could not be read; otherwise each file's changed texts in one
// save, directly where this process may write the file, through the
// privileged helper where only the file's permissions keep it out.
#pragma once

#include <string>
#include <vector>

#include "config/write_result.h"
#include "model/page_values.h"
#include "model/value_changes.h"

// The result of each planned write, in the plan's order. `check`: nothing
// is written and every result is empty.
std::vector<WriteResult> HLQCtl_StorePlan(const HLQChangePlan& plan, bool check);

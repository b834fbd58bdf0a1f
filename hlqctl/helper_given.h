// A change of a file that this process may neither read nor write, in one
// helper call: the helper plans the values as given from what the file
// holds, stores the texts that differ, and answers with the texts it
// replaced, which the change's own plan and report are then made from.
#pragma once

#include <vector>

#include "config/helper_calls.h"
#include "model/value_changes.h"

// Stores `requests` in one helper call where they all belong to one file
// that only the helper may read and write, none is the code page (its list
// depends on the printer this process sees) and `check` is not given; the
// helper's read is then what HLQ_ReadStoredTexts gives of the file. False
// where the change goes the usual way (read, plan, then store).
bool HLQCtl_StoreGivenValues(const std::vector<HLQValueRequest>& requests, bool check,
                             HLQHelperGivenStore* answer);

// Each planned write's result, in the plan's order, as the helper gave it.
std::vector<WriteResult> HLQCtl_GivenResults(const HLQChangePlan& plan,
                                             const HLQHelperGivenStore& answer);

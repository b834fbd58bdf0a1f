// The window's calls to the privileged helper that do not wait for the
// answer: each returns at once, and its answer arrives later through the
// main loop, so that the window keeps drawing and answering while polkit
// asks for the administrator's password. Made like the calls that wait
// (helper_client.h), and answered in the same words.
#pragma once

#include <functional>
#include <vector>

#include "config/helper_calls.h"

using HLQHelperWriteAnswer = std::function<void(const std::vector<WriteResult>&)>;
using HLQHelperReadAnswer = std::function<void(const HLQHelperFileRead&)>;

// Has the helper store `values` into `file` (one of the daemon's two paths)
// in one call; `answer` gets each value's result in order, as
// HLQHelperCalls::writeValues gives them. The call may ask for a password.
void HLQ_HelperWriteValuesAsync(const char* file, const std::vector<HLQValueToStore>& values,
                                HLQHelperWriteAnswer answer);

// HLQ_StoreValues without waiting: where this process may write `file`
// itself, the values are stored at once and `answer` runs before this
// returns; otherwise the helper's share goes in one call and `answer` runs
// when the helper has answered. Without a table of helper calls installed
// (HLQ_UseHelperCalls) the helper is not available, as for the calls that
// wait.
void HLQ_StoreValuesAsync(const char* file, const std::vector<HLQValueToStore>& values,
                          HLQHelperWriteAnswer answer);

// Has the helper read every value the pages store in `file`; `answer` gets
// the file as the helper read it, or why it was not read.
void HLQ_HelperReadValuesAsync(const char* file, HLQHelperReadAnswer answer);

// The tool's calls to the privileged helper on the system bus, always to its
// well-known name on the process's one bus connection: what each call sends
// and how its answer and its errors become results and reasons for the user. The calls here wait for the answer; the window's
// Apply makes the same calls without waiting.
#pragma once

#include <gio/gio.h>

#include <string>
#include <vector>

#include "config/helper_calls.h"

// The values of a WriteValues call: the serialised a(ssss), as "ay".
GVariant* HLQ_HelperValuesArgument(const std::vector<HLQValueToStore>& values);
// The call flags for a call that may (or may not) ask for a password.
GDBusCallFlags HLQ_HelperCallFlags(bool interactive);
// The language this process shows its messages in, for the helper's reasons.
const char* HLQ_MessageLocale();

// The reason, for the user, why a call failed with `error`; `refused` (where
// given) tells whether the helper refused the arguments (rather than the
// caller).
std::string HLQ_HelperFailureReason(GError* error, bool* refused = nullptr);
// WriteValues' reply, (a(us)), as the results of `count` values.
std::vector<WriteResult> HLQ_HelperWriteResults(GVariant* reply, size_t count);
// A failed call's result for each of `count` values.
std::vector<WriteResult> HLQ_HelperWriteFailure(GError* error, size_t count);
// A file as a reply gives it: loaded, the reason, and its values (a(sssbs)).
HLQHelperFileRead HLQ_HelperFileRead(gboolean loaded, const char* reason, GVariant* values);
// ReadValues' reply, (bsa(sssbs)).
HLQHelperFileRead HLQ_HelperReadReply(GVariant* reply);

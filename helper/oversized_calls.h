// Calls larger than any the tool makes, refused as soon as GDBus has read
// them, on its own thread: they never wait for the main loop, so a flood of
// them costs the helper one message at a time, and they are put on record
// within the caller's share like any refusal.
#pragma once

#include <gio/gio.h>

// Refuses every call to the helper's interface on `bus` whose arguments take
// more than HLQ_HELPER_MAX_CALL_BYTES.
void HLQ_RefuseOversizedCalls(GDBusConnection* bus);

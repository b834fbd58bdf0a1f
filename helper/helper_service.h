// The helper's calls on the bus. Each one checks its arguments against what
// the pages store, has polkit asked for the calling connection without
// holding up other callers (call_gate), then does the work with the tool's
// own configuration code and puts it on record (call_record) with the
// caller's user and process.
#pragma once

#include <gio/gio.h>

// Exports the interface at the helper's object path on `bus`. `afterCall`
// runs after every call, once it is answered. The object lives as long as
// the process.
bool HLQ_ExportHelper(GDBusConnection* bus, void (*afterCall)(), GError** error);

// Whether any call is still to be answered (waiting for polkit, behind an
// earlier call of its connection, or waiting for the restart command).
bool HLQ_HelperBusy();

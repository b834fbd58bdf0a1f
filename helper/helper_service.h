// The helper's calls on the bus. Each one checks its arguments against what
// the pages store, asks polkit for the calling connection, then does the
// work with the tool's own configuration code (one load, change and safe
// save per value) and writes one line for the record to standard error,
// with the caller's user ID.
#pragma once

#include <gio/gio.h>

// Exports the interface at the helper's object path on `bus`. `afterCall`
// runs after every call, once it is answered. The object lives as long as
// the process.
bool HLQ_ExportHelper(GDBusConnection* bus, void (*afterCall)(), GError** error);

// Runs the restart command as the helper does: with a fixed PATH, from "/",
// without the helper's descriptors; its exit status, or -1 when it could not
// be run or did not exit normally.
int HLQ_RunRestartCommand();

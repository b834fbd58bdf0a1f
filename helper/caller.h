// Who made a call, as the bus daemon knows the connection (never as the
// caller describes itself): its user and process, for the record and for
// the limits on what one user may keep waiting.
#pragma once

#include <gio/gio.h>

#include <string>

struct HLQCaller {
  std::string busName;  // the connection's unique name
  bool known = false;   // false when the bus could not say
  guint32 uid = 0;
  guint32 pid = 0;
};

// Asks the bus daemon, which answers at once (it never waits for anyone).
HLQCaller HLQ_CallerOf(GDBusMethodInvocation* invocation);
HLQCaller HLQ_CallerNamed(GDBusConnection* bus, const char* busName);

// "uid 1000 pid 4242", or "uid ? pid ?" when the bus could not say.
std::string HLQ_CallerLabel(const HLQCaller& caller);

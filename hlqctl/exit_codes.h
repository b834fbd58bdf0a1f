// The command line's exit statuses, as its manual page lists them. Where
// several apply, the lowest above 0 is given.
#pragma once

enum HLQCtlExit : int {
  HLQCTL_DONE = 0,            // done, or nothing to do
  HLQCTL_NEEDS_ATTENTION = 1, // status: something needs a technician's look
  HLQCTL_USAGE = 2,           // unknown verb, key or option; a malformed argument or input
  HLQCTL_REFUSED = 3,         // a value refused; nothing was written
  HLQCTL_NOT_AUTHORISED = 4,  // the helper did not authorise the call (or was not reached)
  HLQCTL_NOT_READ = 5,        // a file or element could not be read
  HLQCTL_NOT_STORED = 6,      // a value was not stored
  HLQCTL_RESTART_FAILED = 7,  // the restart command failed
};

// The status to give when both `a` and `b` apply.
inline int HLQCtl_Worse(int a, int b) {
  if (a == HLQCTL_DONE) return b;
  if (b == HLQCTL_DONE) return a;
  return a < b ? a : b;
}

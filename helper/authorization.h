// Asking polkit whether the process behind a bus connection may change the
// daemon's configuration (the helper's one action). The administrator's
// password may be asked for on the caller's behalf; the call returns once
// it was given, refused or dismissed.
#pragma once

#include <string>

enum class HLQAuthorization {
  Allowed,
  NotAuthorized,  // refused by the policy, or the password was wrong
  Dismissed,      // the password dialog was dismissed
  NoAgent,        // a password is needed, but no authentication agent answered
  Failed,         // polkit could not be asked
};

struct HLQAuthorizationResult {
  HLQAuthorization outcome;
  std::string problem;  // what failed, for Failed
};

// `busName` is the caller's unique name on the system bus: polkit looks up
// its process and user itself, so nothing the caller says about itself counts.
HLQAuthorizationResult HLQ_Authorize(const char* busName, const char* action);

// Asking polkit whether the process behind a bus connection may do what it
// asked for, without waiting: the answer comes to a callback on the main
// loop, so that one caller's open password prompt holds up no one else.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

enum class HLQAuthorization {
  Allowed,
  NotAuthorized,        // refused by the policy, or the password was wrong
  Dismissed,            // the password dialog was dismissed
  NoAgent,              // a password is needed, but no authentication agent answered
  InteractionRequired,  // a password is needed, and the caller did not allow asking for it
  Failed,               // polkit could not be asked, or the check was cancelled
};

struct HLQAuthorizationResult {
  HLQAuthorization outcome;
  std::string problem;  // what failed, for Failed
};

struct HLQAuthorizationRequest {
  // The caller's unique name on the system bus: polkit looks up its process
  // and user itself, so nothing the caller says about itself counts.
  std::string busName;
  const char* action;
  // Shown to the site's polkit rules (action.lookup("file")).
  std::vector<std::pair<std::string, std::string>> details;
  // Whether polkit may ask for a password on the caller's behalf: only when
  // the caller's message allowed it.
  bool interactive;
};

using HLQAuthorizationDone = std::function<void(const HLQAuthorizationResult&)>;

// Starts the check; `done` runs once on the main loop with the outcome (Failed
// when `cancellable` is cancelled first).
void HLQ_Authorize(const HLQAuthorizationRequest& request, GCancellable* cancellable,
                   HLQAuthorizationDone done);

// The way every call that passed its argument checks goes through the helper:
// limits on how many calls may wait, polkit asked without waiting, and the
// work done on the main loop once it allowed the call.
//
// - One connection's calls are checked and carried out one after another, in
//   the order they came (a window's Applies land in the order it made them);
//   calls of different connections never wait for one another, so a caller
//   whose password prompt stays open holds up nobody else.
// - A user may have only a few calls waiting at once, and all users together
//   a few dozen: beyond that a call of a user who has calls waiting already
//   is answered Busy at once, so no caller can make the helper hold more and
//   more calls (and their values). Root, and a user with no call waiting,
//   are never answered Busy: a few accounts with open prompts cannot lock
//   everyone else out.
// - A call waits for polkit at most a few minutes; then it is answered
//   Failed, so that an abandoned prompt does not hold its slot for ever.
// - A caller that leaves the bus has its waiting checks cancelled.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "helper/caller.h"

inline constexpr size_t HLQ_CALLS_WAITING_PER_USER = 4;
inline constexpr size_t HLQ_CALLS_WAITING = 32;
inline constexpr unsigned HLQ_CALL_DEADLINE_SECONDS = 300;

// Runs once the call is allowed, with the messages in the caller's language;
// it answers the invocation, then calls `answered` (at once, or later for
// work that does not finish on the spot).
using HLQCallWork = std::function<void(GDBusMethodInvocation* invocation,
                                       std::function<void()> answered)>;

struct HLQGatedCall {
  GDBusMethodInvocation* invocation;
  HLQCaller caller;
  std::string what;    // the call as the record names it
  std::string locale;  // the caller's message locale
  const char* action;  // the polkit action
  std::vector<std::pair<std::string, std::string>> details;  // for polkit's rules
  HLQCallWork work;
  // Where given, runs once `action` allowed the call (in the caller's
  // language); when it returns true it has set `action` and `details` to a
  // further check, which must allow the call too before the work runs.
  std::function<bool(HLQGatedCall* call)> further = nullptr;
};

// Takes the call: answers it Busy at once, or keeps it until polkit decided
// and the work answered it.
void HLQ_AdmitCall(HLQGatedCall call);

// How many admitted calls are not answered yet.
size_t HLQ_CallsInFlight();

// `changed` runs whenever an admitted call was answered.
void HLQ_OnCallAnswered(void (*changed)());

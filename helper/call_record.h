// The helper's record in the journal (its standard error): one line for each
// value it stored and each restart it ran, always, with the caller's user and
// process; refusals and failed authorisations at most a few per user a
// minute, and then one line saying how many were left out, so that no caller
// can flood the record of real changes out of the journal's rate limit.
#pragma once

#include <string>

#include "helper/caller.h"

// What was changed: stored values, restarts. Never left out.
void HLQ_RecordChange(const HLQCaller& caller, const std::string& line);
// What was refused or not authorised, within the caller's user's share.
void HLQ_RecordRefusal(const HLQCaller& caller, const std::string& line);
// Whether some user's share of the current window is in use: the helper
// stays while one is, so that a restart cannot give anyone a fresh share.
bool HLQ_RecordSharesOpen();
// Writes the lines about what was left out that are still due (at exit).
void HLQ_RecordLeftOut();

// The calls to the privileged helper, loaded only when a call needs them:
// the bus client (GIO) is a module of its own, so that a command that works
// on the files directly loads no more than it uses. The first call also
// starts polkit's text agent (password_agent.h).
#pragma once

#include <string>

#include "config/helper_calls.h"

const HLQHelperCalls* HLQCtl_HelperCallsOnDemand(std::string* err);

// Where the module is: the installed one, or a sandbox build's beside the program.
std::string HLQCtl_HelperModulePath();

// The entry point the module exports.
#define HLQCTL_HELPER_MODULE_ENTRY "hlqctl_helper_calls"

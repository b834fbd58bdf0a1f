// Whether a store through the privileged helper would be allowed, for
// --check: polkit is asked for this process without any interaction, for
// the action the helper asks for the same store. polkit takes the details
// the helper gives (file, keys) only from trusted callers, so a site's rule
// sees none of them here: one that decides by them answers --check as it
// answers a call without them.
#pragma once

#include <string>

enum class HLQCtlPermission : int {
  Allowed = 0,
  NeedsPassword = 1,  // allowed after the administrator's password
  Refused = 2,
  NotAsked = 3,  // polkit could not be asked; `err` says why
};

HLQCtlPermission HLQCtl_StorePermission(std::string* err);

// The entry point the helper module exports for it.
#define HLQCTL_PERMISSION_MODULE_ENTRY "hlqctl_store_permission"

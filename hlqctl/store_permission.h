// Whether a store through the privileged helper would be allowed, for
// --check: polkit is asked for this process without any interaction, with
// the details the helper gives for the same store (file, keys), so that a
// site's rules answer --check as they would answer the store itself.
#pragma once

#include <string>

enum class HLQCtlPermission : int {
  Allowed = 0,
  NeedsPassword = 1,  // allowed after the administrator's password
  Refused = 2,
  NotAsked = 3,  // polkit could not be asked; `reason` says why
};

HLQCtlPermission HLQCtl_StorePermission(const char* file, const std::string& keys,
                                        std::string* reason);

// The entry point the helper module exports for it.
#define HLQCTL_PERMISSION_MODULE_ENTRY "hlqctl_store_permission"

// The helper module's answer to --check: polkit's verdict on a store by
// this process, asked with no interaction (nothing is shown, nobody is
// asked for a password), for the helper's configure action. polkit takes
// details (the helper's file and keys) only from trusted callers such as
// root, so this check goes without them.
#include <polkit/polkit.h>
#include <unistd.h>

#include <string>

#include "helper/bus_names.h"
#include "hlqctl/store_permission.h"

extern "C" __attribute__((visibility("default"))) int hlqctl_store_permission(
    std::string* reason) {
  GError* error = nullptr;
  PolkitAuthority* authority = polkit_authority_get_sync(nullptr, &error);
  if (!authority) {
    *reason = error->message;
    g_error_free(error);
    return static_cast<int>(HLQCtlPermission::NotAsked);
  }
  // polkit finds the process's start time itself (0), so that a later
  // process with the same ID is not taken for this one.
  PolkitSubject* subject = polkit_unix_process_new_for_owner(getpid(), 0, getuid());
  PolkitAuthorizationResult* result = polkit_authority_check_authorization_sync(
      authority, subject, HLQ_HELPER_CONFIGURE_ACTION, nullptr,
      POLKIT_CHECK_AUTHORIZATION_FLAGS_NONE, nullptr, &error);
  g_object_unref(subject);
  g_object_unref(authority);
  if (!result) {
    *reason = error->message;
    g_error_free(error);
    return static_cast<int>(HLQCtlPermission::NotAsked);
  }
  HLQCtlPermission answer = HLQCtlPermission::Refused;
  if (polkit_authorization_result_get_is_authorized(result))
    answer = HLQCtlPermission::Allowed;
  else if (polkit_authorization_result_get_is_challenge(result))
    answer = HLQCtlPermission::NeedsPassword;
  g_object_unref(result);
  return static_cast<int>(answer);
}

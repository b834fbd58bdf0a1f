#include "helper/authorization.h"

#include <polkit/polkit.h>

#include "helper/bus_names.h"

namespace {

HLQAuthorizationResult failed(GError* error) {
  HLQAuthorizationResult result{HLQAuthorization::Failed, error ? error->message : ""};
  g_clear_error(&error);
  return result;
}

HLQAuthorization outcomeOf(PolkitAuthorizationResult* result) {
  if (polkit_authorization_result_get_is_authorized(result)) return HLQAuthorization::Allowed;
  if (polkit_authorization_result_get_dismissed(result)) return HLQAuthorization::Dismissed;
  // Still a challenge after the agent was allowed to answer it: there was none.
  if (polkit_authorization_result_get_is_challenge(result)) return HLQAuthorization::NoAgent;
  return HLQAuthorization::NotAuthorized;
}

}  // namespace

HLQAuthorizationResult HLQ_Authorize(const char* busName, const char* action) {
  GError* error = nullptr;
  PolkitAuthority* authority = polkit_authority_get_sync(nullptr, &error);
  if (!authority) return failed(error);
  PolkitSubject* subject = polkit_system_bus_name_new(busName);
  PolkitAuthorizationResult* result = polkit_authority_check_authorization_sync(
      authority, subject, action, nullptr,
      POLKIT_CHECK_AUTHORIZATION_FLAGS_ALLOW_USER_INTERACTION, nullptr, &error);
  g_object_unref(subject);
  g_object_unref(authority);
  if (!result) return failed(error);
  HLQAuthorizationResult answer{outcomeOf(result), ""};
  g_object_unref(result);
  return answer;
}

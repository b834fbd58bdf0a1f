#include "helper/authorization.h"

#include <polkit/polkit.h>

namespace {

// One connection to polkit for the life of the helper; asked for again only
// while it could not be had.
PolkitAuthority* authority(GError** error) {
  static PolkitAuthority* known = nullptr;
  if (!known) known = polkit_authority_get_sync(nullptr, error);
  return known;
}

HLQAuthorization outcomeOf(PolkitAuthorizationResult* result, bool interactive) {
  if (polkit_authorization_result_get_is_authorized(result)) return HLQAuthorization::Allowed;
  if (polkit_authorization_result_get_dismissed(result)) return HLQAuthorization::Dismissed;
  // Still a challenge: either nobody was allowed to answer it, or the agent
  // that was allowed to did not.
  if (polkit_authorization_result_get_is_challenge(result))
    return interactive ? HLQAuthorization::NoAgent : HLQAuthorization::InteractionRequired;
  return HLQAuthorization::NotAuthorized;
}

struct Pending {
  HLQAuthorizationDone done;
  bool interactive;
};

void checked(GObject* source, GAsyncResult* asyncResult, gpointer data) {
  Pending* pending = static_cast<Pending*>(data);
  GError* error = nullptr;
  PolkitAuthorizationResult* result = polkit_authority_check_authorization_finish(
      POLKIT_AUTHORITY(source), asyncResult, &error);
  HLQAuthorizationResult answer{HLQAuthorization::Failed, ""};
  if (result) {
    answer.outcome = outcomeOf(result, pending->interactive);
    g_object_unref(result);
  } else {
    answer.problem = error->message;
    g_error_free(error);
  }
  pending->done(answer);
  delete pending;
}

}  // namespace

void HLQ_Authorize(const HLQAuthorizationRequest& request, GCancellable* cancellable,
                   HLQAuthorizationDone done) {
  GError* error = nullptr;
  PolkitAuthority* polkit = authority(&error);
  if (!polkit) {
    HLQAuthorizationResult failed{HLQAuthorization::Failed, error->message};
    g_error_free(error);
    done(failed);
    return;
  }
  PolkitSubject* subject = polkit_system_bus_name_new(request.busName.c_str());
  PolkitDetails* details = polkit_details_new();
  for (const auto& [key, value] : request.details)
    polkit_details_insert(details, key.c_str(), value.c_str());
  const PolkitCheckAuthorizationFlags flags =
      request.interactive ? POLKIT_CHECK_AUTHORIZATION_FLAGS_ALLOW_USER_INTERACTION
                          : POLKIT_CHECK_AUTHORIZATION_FLAGS_NONE;
  polkit_authority_check_authorization(polkit, subject, request.action, details, flags,
                                       cancellable, checked,
                                       new Pending{std::move(done), request.interactive});
  g_object_unref(details);
  g_object_unref(subject);
}

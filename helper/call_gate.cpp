#include "helper/call_gate.h"

#include <deque>
#include <map>

#include "helper/authorization.h"
#include "helper/bus_names.h"
#include "helper/call_record.h"
#include "helper/caller_locale.h"

namespace {

struct Admitted {
  HLQGatedCall call;
  GCancellable* cancellable = nullptr;
  guint deadline = 0;  // the timer that gives up on polkit's answer
  bool late = false;   // the deadline passed before polkit answered
};

// The admitted calls of one connection, the first of them checked or
// carried out now, and whether the connection has left the bus.
struct Connection {
  std::deque<Admitted*> calls;
  guint leftWatch = 0;
  bool left = false;
};

GDBusConnection* g_bus = nullptr;
std::map<std::string, Connection> g_connections;
std::map<guint32, size_t> g_perUser;
size_t g_inFlight = 0;
void (*g_changed)() = nullptr;

guint32 userOf(const HLQCaller& caller) { return caller.known ? caller.uid : G_MAXUINT32; }

const char* errorNameOf(HLQAuthorization outcome) {
  switch (outcome) {
    case HLQAuthorization::NotAuthorized: return HLQ_HELPER_ERROR_NOT_AUTHORIZED;
    case HLQAuthorization::Dismissed: return HLQ_HELPER_ERROR_DISMISSED;
    case HLQAuthorization::NoAgent: return HLQ_HELPER_ERROR_NO_AGENT;
    case HLQAuthorization::InteractionRequired: return HLQ_HELPER_ERROR_INTERACTIVE_REQUIRED;
    default: return HLQ_HELPER_ERROR_FAILED;
  }
}

const char* messageOf(HLQAuthorization outcome) {
  switch (outcome) {
    case HLQAuthorization::NotAuthorized: return "not authorized";
    case HLQAuthorization::Dismissed: return "the authentication dialog was dismissed";
    case HLQAuthorization::NoAgent: return "authentication is needed, but no agent answered";
    case HLQAuthorization::InteractionRequired:
      return "authentication is needed, and the call did not allow asking for it";
    default: return "the authorization could not be checked";
  }
}

void start(Admitted* admitted);

// The call was answered: the next call of its connection may go ahead.
void finish(Admitted* admitted) {
  const std::string sender = admitted->call.caller.busName;
  const guint32 user = userOf(admitted->call.caller);
  if (--g_perUser[user] == 0) g_perUser.erase(user);
  --g_inFlight;
  Connection& connection = g_connections[sender];
  connection.calls.pop_front();
  g_clear_object(&admitted->cancellable);
  delete admitted;
  if (connection.calls.empty()) {
    if (connection.leftWatch) g_dbus_connection_signal_unsubscribe(g_bus, connection.leftWatch);
    g_connections.erase(sender);
  } else {
    // May finish at once and remove the connection: nothing of it is used after.
    start(connection.calls.front());
  }
  if (g_changed) g_changed();
}

void refuse(Admitted* admitted, const char* errorName, const std::string& message) {
  const HLQGatedCall& call = admitted->call;
  HLQ_RecordRefusal(call.caller, "not authorized: " + call.what + ": " + message);
  g_dbus_method_invocation_return_dbus_error(call.invocation, errorName, message.c_str());
  finish(admitted);
}

void decided(Admitted* admitted, const HLQAuthorizationResult& result) {
  if (admitted->deadline) g_source_remove(admitted->deadline);
  admitted->deadline = 0;
  if (admitted->late) {
    refuse(admitted, HLQ_HELPER_ERROR_FAILED,
           "the authorization was not given within " +
               std::to_string(HLQ_CALL_DEADLINE_SECONDS) + " s");
    return;
  }
  if (result.outcome != HLQAuthorization::Allowed) {
    std::string message = messageOf(result.outcome);
    if (!result.problem.empty()) message += ": " + result.problem;
    refuse(admitted, errorNameOf(result.outcome), message);
    return;
  }
  CallerLocale messages(admitted->call.locale.c_str());
  if (admitted->call.further) {
    const auto further = std::move(admitted->call.further);
    admitted->call.further = nullptr;
    if (further(&admitted->call)) {
      g_clear_object(&admitted->cancellable);
      start(admitted);
      return;
    }
  }
  admitted->call.work(admitted->call.invocation, [admitted] { finish(admitted); });
}

// polkit's answer is given up on: the cancelled check answers at once.
gboolean tooLate(gpointer data) {
  Admitted* admitted = static_cast<Admitted*>(data);
  admitted->deadline = 0;
  admitted->late = true;
  g_cancellable_cancel(admitted->cancellable);
  return G_SOURCE_REMOVE;
}

void start(Admitted* admitted) {
  const HLQGatedCall& call = admitted->call;
  if (g_connections[call.caller.busName].left) {
    refuse(admitted, HLQ_HELPER_ERROR_FAILED, "the caller left the bus");
    return;
  }
  admitted->cancellable = g_cancellable_new();
  const bool interactive =
      g_dbus_message_get_flags(g_dbus_method_invocation_get_message(call.invocation)) &
      G_DBUS_MESSAGE_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION;
  admitted->deadline = g_timeout_add_seconds(HLQ_CALL_DEADLINE_SECONDS, tooLate, admitted);
  HLQ_Authorize({call.caller.busName, call.action, call.details, interactive},
                admitted->cancellable,
                [admitted](const HLQAuthorizationResult& result) { decided(admitted, result); });
}

// The connection left the bus: its check now waiting is cancelled, and its
// later calls are answered without asking polkit.
void onNameOwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                        GVariant* parameters, gpointer) {
  const gchar *name, *oldOwner, *newOwner;
  g_variant_get(parameters, "(&s&s&s)", &name, &oldOwner, &newOwner);
  auto found = g_connections.find(name);
  if (*newOwner || found == g_connections.end()) return;
  found->second.left = true;
  if (!found->second.calls.empty() && found->second.calls.front()->cancellable)
    g_cancellable_cancel(found->second.calls.front()->cancellable);
}

guint watchLeaving(const std::string& sender) {
  return g_dbus_connection_signal_subscribe(
      g_bus, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
      "/org/freedesktop/DBus", sender.c_str(), G_DBUS_SIGNAL_FLAGS_NONE, onNameOwnerChanged,
      nullptr, nullptr);
}

}  // namespace

void HLQ_AdmitCall(HLQGatedCall call) {
  g_bus = g_dbus_method_invocation_get_connection(call.invocation);
  const guint32 user = userOf(call.caller);
  const auto waiting = g_perUser.find(user);
  const bool hasWaiting = waiting != g_perUser.end();
  if (user != 0 && hasWaiting &&
      (waiting->second >= HLQ_CALLS_WAITING_PER_USER || g_inFlight >= HLQ_CALLS_WAITING)) {
    HLQ_RecordRefusal(call.caller, "busy: " + call.what);
    g_dbus_method_invocation_return_dbus_error(
        call.invocation, HLQ_HELPER_ERROR_BUSY,
        "this user has calls waiting for authorisation already, and too many calls wait; "
        "try again once they are answered");
    return;
  }
  ++g_perUser[user];
  ++g_inFlight;
  const std::string sender = call.caller.busName;
  Connection& connection = g_connections[sender];
  if (!connection.leftWatch) connection.leftWatch = watchLeaving(sender);
  connection.calls.push_back(new Admitted{std::move(call)});
  if (connection.calls.size() == 1) start(connection.calls.front());
}

size_t HLQ_CallsInFlight() { return g_inFlight; }

void HLQ_OnCallAnswered(void (*changed)()) { g_changed = changed; }

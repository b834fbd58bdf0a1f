#include "helper/oversized_calls.h"

#include <cstring>
#include <string>

#include "helper/bus_names.h"
#include "helper/call_record.h"
#include "helper/caller.h"

namespace {

struct Refused {
  GDBusConnection* bus;
  std::string sender, method;
};

// On the main loop, where the record is kept.
gboolean record(gpointer data) {
  Refused* refused = static_cast<Refused*>(data);
  HLQ_RecordRefusal(HLQ_CallerNamed(refused->bus, refused->sender.c_str()),
                    "refused: " + refused->method + ": the call is too large");
  g_object_unref(refused->bus);
  delete refused;
  return G_SOURCE_REMOVE;
}

GDBusMessage* refuseOversized(GDBusConnection* bus, GDBusMessage* message, gboolean incoming,
                              gpointer) {
  if (!incoming || g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_METHOD_CALL)
    return message;
  const char* interface = g_dbus_message_get_interface(message);
  GVariant* body = g_dbus_message_get_body(message);
  if (!interface || std::strcmp(interface, HLQ_HELPER_INTERFACE) != 0 || !body ||
      g_variant_get_size(body) <= HLQ_HELPER_MAX_CALL_BYTES)
    return message;
  const std::string text = "the call takes more than " +
                           std::to_string(HLQ_HELPER_MAX_CALL_BYTES / 1024) + " KiB";
  if (!(g_dbus_message_get_flags(message) & G_DBUS_MESSAGE_FLAGS_NO_REPLY_EXPECTED)) {
    GDBusMessage* reply =
        g_dbus_message_new_method_error_literal(message, HLQ_HELPER_ERROR_REFUSED, text.c_str());
    g_dbus_connection_send_message(bus, reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr, nullptr);
    g_object_unref(reply);
  }
  const char* sender = g_dbus_message_get_sender(message);
  const char* method = g_dbus_message_get_member(message);
  g_idle_add(record, new Refused{G_DBUS_CONNECTION(g_object_ref(bus)), sender ? sender : "",
                                 method ? method : ""});
  g_object_unref(message);
  return nullptr;
}

}  // namespace

void HLQ_RefuseOversizedCalls(GDBusConnection* bus) {
  g_dbus_connection_add_filter(bus, refuseOversized, nullptr, nullptr);
}

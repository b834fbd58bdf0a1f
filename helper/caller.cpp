#include "helper/caller.h"

HLQCaller HLQ_CallerOf(GDBusMethodInvocation* invocation) {
  return HLQ_CallerNamed(g_dbus_method_invocation_get_connection(invocation),
                         g_dbus_method_invocation_get_sender(invocation));
}

HLQCaller HLQ_CallerNamed(GDBusConnection* bus, const char* busName) {
  HLQCaller caller;
  caller.busName = busName ? busName : "";
  // Nothing is kept per name: the bus hands out a new one for every
  // connection, and a table of them would grow with every caller.
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus",
      "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetConnectionCredentials",
      g_variant_new("(s)", caller.busName.c_str()), G_VARIANT_TYPE("(a{sv})"),
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  if (!reply) return caller;
  GVariant* credentials = g_variant_get_child_value(reply, 0);
  caller.known = g_variant_lookup(credentials, "UnixUserID", "u", &caller.uid) &&
                 g_variant_lookup(credentials, "ProcessID", "u", &caller.pid);
  g_variant_unref(credentials);
  g_variant_unref(reply);
  return caller;
}

std::string HLQ_CallerLabel(const HLQCaller& caller) {
  if (!caller.known) return "uid ? pid ?";
  return "uid " + std::to_string(caller.uid) + " pid " + std::to_string(caller.pid);
}

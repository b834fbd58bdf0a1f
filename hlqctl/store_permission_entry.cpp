// The helper module's answer to --check: polkit's verdict on a store by
// this process, asked with no interaction (nothing is shown, nobody is
// asked for a password), for the helper's configure action. polkit is asked
// over its D-Bus interface about this process's own connection to the
// system bus (polkit finds its process and user itself), on the connection
// the module's other calls share: the module needs no polkit library, whose
// own libraries every store through the helper would load for nothing.
// polkit takes details (the helper's file and keys) only from trusted
// callers such as root, so this check goes without them.
#include <gio/gio.h>

#include <string>

#include "helper/bus_names.h"
#include "hlqctl/store_permission.h"

namespace {

HLQCtlPermission notAsked(GError* error, std::string* err) {
  g_dbus_error_strip_remote_error(error);
  *err = error->message;
  g_error_free(error);
  return HLQCtlPermission::NotAsked;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int hlqctl_store_permission(
    std::string* err) {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  if (!bus) return static_cast<int>(notAsked(error, err));
  g_dbus_connection_set_exit_on_close(bus, FALSE);
  GVariantBuilder subject;
  g_variant_builder_init(&subject, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&subject, "{sv}", "name",
                        g_variant_new_string(g_dbus_connection_get_unique_name(bus)));
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
      "org.freedesktop.PolicyKit1.Authority", "CheckAuthorization",
      g_variant_new("((sa{sv})sa{ss}us)", "system-bus-name", &subject, HLQ_HELPER_CONFIGURE_ACTION,
                    nullptr, 0u, ""),
      G_VARIANT_TYPE("((bba{ss}))"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
  g_object_unref(bus);
  if (!reply) return static_cast<int>(notAsked(error, err));
  gboolean authorized = FALSE, challenge = FALSE;
  g_variant_get(reply, "((bb@a{ss}))", &authorized, &challenge, nullptr);
  g_variant_unref(reply);
  HLQCtlPermission answer = HLQCtlPermission::Refused;
  if (authorized)
    answer = HLQCtlPermission::Allowed;
  else if (challenge)
    answer = HLQCtlPermission::NeedsPassword;
  return static_cast<int>(answer);
}

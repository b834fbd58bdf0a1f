#include "config/helper_client.h"

#include <gio/gio.h>
#include <glib/gi18n-lib.h>

#include <clocale>
#include <cstring>

#include "config/config_layout.h"
#include "helper/bus_names.h"

namespace {

std::string owned(gchar* text) {
  std::string copy = text ? text : "";
  g_free(text);
  return copy;
}

// Why a call failed, in words for the user: it did not reach the helper or
// was not authorised, or the helper refused its arguments (with its message).
struct Failure {
  std::string reason;
  bool argumentsRefused = false;
};

std::string reasonOf(GError* error) {
  g_autofree gchar* remote = g_dbus_error_get_remote_error(error);
  g_dbus_error_strip_remote_error(error);
  const std::string name = remote ? remote : "";
  if (name == HLQ_HELPER_ERROR_NOT_AUTHORIZED)
    return _("not authorised: the administrator's password was refused");
  if (name == HLQ_HELPER_ERROR_DISMISSED)
    return _("not authorised: the administrator's password dialog was dismissed");
  if (name == HLQ_HELPER_ERROR_NO_AGENT)
    return _("not authorised: no authentication agent answered to ask for the administrator's "
             "password");
  if (name == HLQ_HELPER_ERROR_FAILED)
    // TRANSLATORS: %s is the system's reason, in English.
    return owned(g_strdup_printf(_("the authorisation could not be checked: %s"), error->message));
  if (name == HLQ_HELPER_ERROR_REFUSED)
    // TRANSLATORS: %s is the helper's reason.
    return owned(g_strdup_printf(_("the helper refused it: %s"), error->message));
  // TRANSLATORS: %s is the system's reason, in English.
  return owned(g_strdup_printf(
      _("the helper that stores values for other users is not installed or could not be "
        "reached: %s"),
      error->message));
}

// Calls `method` of the helper and waits for its answer however long the
// password dialog stays open; nullptr, with `failure` set, when it failed.
GVariant* call(const char* method, GVariant* arguments, const char* replyType, Failure* failure) {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  GVariant* reply = nullptr;
  if (bus) {
    // The window outlives the bus: losing it must not end the tool.
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    reply = g_dbus_connection_call_sync(bus, HLQ_HELPER_BUS_NAME, HLQ_HELPER_OBJECT_PATH,
                                        HLQ_HELPER_INTERFACE, method, arguments,
                                        G_VARIANT_TYPE(replyType),
                                        G_DBUS_CALL_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION,
                                        G_MAXINT, nullptr, &error);
    g_object_unref(bus);
  } else if (arguments) {
    g_variant_unref(g_variant_ref_sink(arguments));
  }
  if (!reply) {
    g_autofree gchar* remote = g_dbus_error_get_remote_error(error);
    failure->argumentsRefused = g_strcmp0(remote, HLQ_HELPER_ERROR_REFUSED) == 0;
    failure->reason = reasonOf(error);
    g_error_free(error);
  }
  return reply;
}

// The language this process shows its messages in, for the helper's reasons.
const char* messageLocale() {
  const char* locale = std::setlocale(LC_MESSAGES, nullptr);
  return locale ? locale : "";
}

}  // namespace

std::vector<WriteResult> HLQ_HelperWriteValues(const char* file,
                                               const std::vector<HLQValueToStore>& values) {
  GVariantBuilder items;
  g_variant_builder_init(&items, G_VARIANT_TYPE("a(ssss)"));
  for (const HLQValueToStore& v : values)
    g_variant_builder_add(&items, "(ssss)", v.section, v.key, v.attribute ? v.attribute : "",
                          v.value.c_str());
  Failure failure;
  GVariant* reply = call("WriteValues",
                         g_variant_new("(sa(ssss)s)", HLQ_ConfigFileName(file), &items,
                                       messageLocale()),
                         "(a(bs))", &failure);
  const WriteStatus failed =
      failure.argumentsRefused ? WriteStatus::TextNotAllowed : WriteStatus::NotAuthorized;
  std::vector<WriteResult> results(values.size(), WriteResult{failed, failure.reason});
  if (!reply) return results;
  GVariantIter* answers = nullptr;
  g_variant_get(reply, "(a(bs))", &answers);
  // A value the helper gave no answer for counts as not stored.
  for (WriteResult& result : results) {
    gboolean stored = FALSE;
    const gchar* reason = nullptr;
    if (!g_variant_iter_next(answers, "(b&s)", &stored, &reason))
      result = WriteResult{WriteStatus::SaveFailed, _("the helper did not answer for it")};
    else
      result = stored ? WriteResult{} : WriteResult{WriteStatus::SaveFailed, reason};
  }
  g_variant_iter_free(answers);
  g_variant_unref(reply);
  return results;
}

std::optional<std::string> HLQ_HelperReadText(const char* file, const char* section,
                                              const char* key, std::string* refusal) {
  Failure failure;
  GVariant* reply = call("ReadText", g_variant_new("(sss)", HLQ_ConfigFileName(file), section, key),
                         "(bs)", &failure);
  if (!reply) {
    if (!failure.argumentsRefused) *refusal = failure.reason;
    return std::nullopt;
  }
  gboolean present = FALSE;
  const gchar* text = nullptr;
  g_variant_get(reply, "(b&s)", &present, &text);
  std::optional<std::string> value;
  if (present) value = text;
  g_variant_unref(reply);
  return value;
}

bool HLQ_HelperRestartDaemon(std::string* problem) {
  Failure failure;
  GVariant* reply = call("RestartDaemon", nullptr, "(i)", &failure);
  if (!reply) {
    *problem = failure.reason;
    return false;
  }
  gint32 status = -1;
  g_variant_get(reply, "(i)", &status);
  g_variant_unref(reply);
  if (status != 0)
    *problem = owned(g_strdup_printf(_("the restart command ended with status %d"), status));
  return status == 0;
}

#include "config/helper_client.h"

#include <glib/gi18n-lib.h>

#include <clocale>

#include "base/owned_text.h"
#include "config/config_layout.h"
#include "helper/bus_names.h"

namespace {

// One call to the helper, always addressed to its well-known name (never to
// the unique name of the process that owned it a moment ago, which may be
// ending after its idle time: the bus then starts a fresh helper for it),
// on the one system bus connection that serves every call of the process.
// Its reply, or nullptr with `error` set.
GVariant* call(const char* method, GVariant* parameters, const char* replyType, bool interactive,
               GError** error) {
  g_variant_ref_sink(parameters);
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, error);
  GVariant* reply = nullptr;
  if (bus) {
    // The program outlives the bus: losing it must not end the tool.
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    reply = g_dbus_connection_call_sync(bus, HLQ_HELPER_BUS_NAME, HLQ_HELPER_OBJECT_PATH,
                                        HLQ_HELPER_INTERFACE, method, parameters,
                                        G_VARIANT_TYPE(replyType),
                                        HLQ_HelperCallFlags(interactive), G_MAXINT, nullptr,
                                        error);
    // GLib keeps the connection for the next call while its reference lives.
    static GDBusConnection* kept = G_DBUS_CONNECTION(g_object_ref(bus));
    if (kept != bus) {
      g_object_unref(kept);
      kept = G_DBUS_CONNECTION(g_object_ref(bus));
    }
    g_object_unref(bus);
  }
  g_variant_unref(parameters);
  return reply;
}

WriteResult resultOf(guint32 status, const char* reason) {
  if (status == HLQ_HELPER_STORED) return WriteResult{};
  if (status == HLQ_HELPER_ALREADY_STORED) return WriteResult{WriteStatus::AlreadyStored, ""};
  return WriteResult{WriteStatus::SaveFailed, reason};
}

// The array built in `items`, serialised as the bytes of an "ay": the
// helper measures an argument by its size before it unpacks it.
GVariant* serialised(GVariantBuilder* items) {
  GVariant* array = g_variant_ref_sink(g_variant_builder_end(items));
  GBytes* bytes = g_variant_get_data_as_bytes(array);
  GVariant* argument = g_variant_new_from_bytes(G_VARIANT_TYPE_BYTESTRING, bytes, TRUE);
  g_bytes_unref(bytes);
  g_variant_unref(array);
  return argument;
}

GVariant* heldArgument(const std::vector<HLQHeldText>& held) {
  GVariantBuilder items;
  g_variant_builder_init(&items, G_VARIANT_TYPE("a(sssbs)"));
  for (const HLQHeldText& h : held)
    g_variant_builder_add(&items, "(sssbs)", h.section, h.key, h.attribute ? h.attribute : "",
                          gboolean(h.text.has_value()), h.text ? h.text->c_str() : "");
  return serialised(&items);
}

std::vector<WriteResult> writeValuesIfHeld(const char* file,
                                           const std::vector<HLQValueToStore>& values,
                                           const std::vector<HLQHeldText>& held,
                                           bool interactive) {
  GError* error = nullptr;
  GVariant* argument = HLQ_HelperValuesArgument(values);
  GVariant* reply =
      held.empty()
          ? call("WriteValues",
                 g_variant_new("(s@ays)", HLQ_ConfigFileName(file), argument, HLQ_MessageLocale()),
                 "(a(us))", interactive, &error)
          : call("WriteValuesIfHeld",
                 g_variant_new("(s@ay@ays)", HLQ_ConfigFileName(file), argument,
                               heldArgument(held), HLQ_MessageLocale()),
                 "(a(us))", interactive, &error);
  if (!reply) {
    std::vector<WriteResult> failed = HLQ_HelperWriteFailure(error, values.size());
    g_error_free(error);
    return failed;
  }
  std::vector<WriteResult> answers = HLQ_HelperWriteResults(reply, values.size());
  g_variant_unref(reply);
  return answers;
}

std::vector<WriteResult> writeValues(const char* file, const std::vector<HLQValueToStore>& values,
                                     bool interactive) {
  return writeValuesIfHeld(file, values, {}, interactive);
}

HLQHelperFileRead readValues(const char* file, bool interactive) {
  GError* error = nullptr;
  GVariant* reply = call("ReadValues", g_variant_new("(ss)", HLQ_ConfigFileName(file),
                                                     HLQ_MessageLocale()),
                         "(bsa(sssbs))", interactive, &error);
  HLQHelperFileRead read;
  if (!reply) {
    read.reason = HLQ_HelperFailureReason(error);
    g_error_free(error);
    return read;
  }
  read = HLQ_HelperReadReply(reply);
  g_variant_unref(reply);
  return read;
}

GVariant* givenArgument(const std::vector<HLQHelperGivenValue>& given) {
  GVariantBuilder items;
  g_variant_builder_init(&items, G_VARIANT_TYPE("a(sus)"));
  for (const HLQHelperGivenValue& g : given)
    g_variant_builder_add(&items, "(sus)", g.name.c_str(), g.kind, g.text.c_str());
  return serialised(&items);
}

HLQHelperGivenStore writeGivenValues(const char* file,
                                     const std::vector<HLQHelperGivenValue>& given,
                                     bool interactive) {
  GError* error = nullptr;
  GVariant* reply = call("WriteGivenValues",
                         g_variant_new("(s@ays)", HLQ_ConfigFileName(file), givenArgument(given),
                                       HLQ_MessageLocale()),
                         "(bsa(sssbs)a(sssus))", interactive, &error);
  HLQHelperGivenStore answer;
  if (!reply) {
    // A helper of an earlier version does not know the call.
    const bool unknown = g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD);
    answer.read.reason = HLQ_HelperFailureReason(error, &answer.refused);
    answer.refused = answer.refused || unknown;
    g_error_free(error);
    return answer;
  }
  gboolean loaded = FALSE;
  const gchar* reason = nullptr;
  GVariant *values = nullptr, *results = nullptr;
  g_variant_get(reply, "(b&s@a(sssbs)@a(sssus))", &loaded, &reason, &values, &results);
  answer.read = HLQ_HelperFileRead(loaded, reason, values);
  GVariantIter iter;
  g_variant_iter_init(&iter, results);
  const gchar *section, *key, *attribute, *why;
  guint32 status = 0;
  while (g_variant_iter_next(&iter, "(&s&s&su&s)", &section, &key, &attribute, &status, &why)) {
    answer.results.push_back({section, key, attribute, resultOf(status, why)});
  }
  g_variant_unref(values);
  g_variant_unref(results);
  g_variant_unref(reply);
  return answer;
}

bool restartDaemon(bool interactive, bool* answeredOut, std::string* err) {
  GError* error = nullptr;
  GVariant* reply = call("RestartDaemon", g_variant_new("()"), "(i)", interactive, &error);
  gint status = -1;
  if (reply) g_variant_get(reply, "(i)", &status);
  if (answeredOut) *answeredOut = reply != nullptr;
  if (!reply) {
    *err = HLQ_HelperFailureReason(error);
    g_error_free(error);
    return false;
  }
  g_variant_unref(reply);
  if (status != 0)
    *err = HLQ_OwnedText(g_strdup_printf(_("the restart command ended with status %d"), status));
  return status == 0;
}

const HLQHelperCalls kLinkedCalls = {writeValues, readValues, restartDaemon, writeValuesIfHeld,
                                     writeGivenValues};

}  // namespace

GVariant* HLQ_HelperValuesArgument(const std::vector<HLQValueToStore>& values) {
  GVariantBuilder items;
  g_variant_builder_init(&items, G_VARIANT_TYPE("a(ssss)"));
  for (const HLQValueToStore& v : values)
    g_variant_builder_add(&items, "(ssss)", v.section, v.key, v.attribute ? v.attribute : "",
                          v.value.c_str());
  return serialised(&items);
}

GDBusCallFlags HLQ_HelperCallFlags(bool interactive) {
  return interactive ? G_DBUS_CALL_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION : G_DBUS_CALL_FLAGS_NONE;
}

const char* HLQ_MessageLocale() {
  const char* locale = std::setlocale(LC_MESSAGES, nullptr);
  return locale ? locale : "";
}

std::string HLQ_HelperFailureReason(GError* error, bool* refused) {
  g_autofree gchar* remote = g_dbus_error_get_remote_error(error);
  g_dbus_error_strip_remote_error(error);
  const std::string name = remote ? remote : "";
  const bool byHelper = name == HLQ_HELPER_ERROR_REFUSED;
  if (refused) *refused = byHelper;
  if (name == HLQ_HELPER_ERROR_NOT_AUTHORIZED)
    return _("not authorised: the administrator's password was refused");
  if (name == HLQ_HELPER_ERROR_DISMISSED)
    return _("not authorised: the administrator's password dialog was dismissed");
  if (name == HLQ_HELPER_ERROR_NO_AGENT)
    return _("not authorised: no authentication agent answered to ask for the administrator's "
             "password");
  if (name == HLQ_HELPER_ERROR_INTERACTIVE_REQUIRED)
    return _("not authorised: the administrator's password would be needed, and asking for it "
             "was not allowed");
  if (name == HLQ_HELPER_ERROR_BUSY)
    return _("not authorised: the helper has too many calls waiting for authorisation; "
             "try again");
  if (name == HLQ_HELPER_ERROR_FAILED)
    // TRANSLATORS: %s is the system's reason, in English.
    return HLQ_OwnedText(g_strdup_printf(_("the authorisation could not be checked: %s"), error->message));
  if (byHelper)
    // TRANSLATORS: %s is the helper's reason.
    return HLQ_OwnedText(g_strdup_printf(_("the helper refused it: %s"), error->message));
  // TRANSLATORS: %s is the system's reason, in English.
  return HLQ_OwnedText(g_strdup_printf(
      _("the helper that stores values for other users is not installed or could not be "
        "reached: %s"),
      error->message));
}

std::vector<WriteResult> HLQ_HelperWriteFailure(GError* error, size_t count) {
  bool refused = false;
  const std::string reason = HLQ_HelperFailureReason(error, &refused);
  const WriteStatus status = refused ? WriteStatus::TextNotAllowed : WriteStatus::NotAuthorized;
  return std::vector<WriteResult>(count, WriteResult{status, reason});
}

std::vector<WriteResult> HLQ_HelperWriteResults(GVariant* reply, size_t count) {
  std::vector<WriteResult> answers(count);
  GVariantIter iter;
  GVariant* results = g_variant_get_child_value(reply, 0);
  g_variant_iter_init(&iter, results);
  // A value the helper gave no answer for counts as not stored.
  for (WriteResult& answer : answers) {
    guint32 status = HLQ_HELPER_NOT_STORED;
    const gchar* reason = nullptr;
    if (!g_variant_iter_next(&iter, "(u&s)", &status, &reason))
      answer = WriteResult{WriteStatus::SaveFailed, _("the helper did not answer for it")};
    else
      answer = resultOf(status, reason);
  }
  g_variant_unref(results);
  return answers;
}

HLQHelperFileRead HLQ_HelperFileRead(gboolean loaded, const char* reason, GVariant* values) {
  HLQHelperFileRead read;
  read.answered = true;
  read.loaded = loaded;
  read.reason = reason ? reason : "";
  GVariantIter iter;
  g_variant_iter_init(&iter, values);
  const gchar *section, *key, *attribute, *text;
  gboolean present = FALSE;
  while (g_variant_iter_next(&iter, "(&s&s&sb&s)", &section, &key, &attribute, &present, &text))
    read.values.push_back({section, key, attribute, bool(present), text});
  return read;
}

HLQHelperFileRead HLQ_HelperReadReply(GVariant* reply) {
  gboolean loaded = FALSE;
  const gchar* reason = nullptr;
  GVariant* values = nullptr;
  g_variant_get(reply, "(b&s@a(sssbs))", &loaded, &reason, &values);
  HLQHelperFileRead read = HLQ_HelperFileRead(loaded, reason, values);
  g_variant_unref(values);
  return read;
}

const HLQHelperCalls* HLQ_LinkedHelperCalls(std::string*) { return &kLinkedCalls; }

#include "helper/helper_service.h"

#include <glib/gi18n-lib.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "config/fixed_paths.h"
#include "config/config_layout.h"
#include "config/xml_config.h"
#include "config/xml_values.h"
#include "pages/page_model.h"
#include "helper/accepted_call.h"
#include "helper/authorization.h"
#include "helper/bus_names.h"
#include "helper/caller_locale.h"
#include "helper1-generated.h"

namespace {

void (*g_afterCall)() = nullptr;

// Who called, as the bus knows it: the user of the connection. The bus never
// gives a unique name twice, so each is asked about once.
std::string callerOf(GDBusMethodInvocation* invocation) {
  static std::map<std::string, std::string> known;
  const std::string sender = g_dbus_method_invocation_get_sender(invocation);
  auto found = known.find(sender);
  if (found != known.end()) return found->second;
  GVariant* reply = g_dbus_connection_call_sync(
      g_dbus_method_invocation_get_connection(invocation), "org.freedesktop.DBus",
      "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetConnectionUnixUser",
      g_variant_new("(s)", sender.c_str()), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1,
      nullptr, nullptr);
  if (!reply) return "uid ?";
  guint32 uid = 0;
  g_variant_get(reply, "(u)", &uid);
  g_variant_unref(reply);
  return known[sender] = "uid " + std::to_string(uid);
}

std::string escaped(const char* text) {
  g_autofree gchar* e = g_strescape(text ? text : "", nullptr);
  return std::string("\"") + e + "\"";
}

void record(GDBusMethodInvocation* invocation, const std::string& line) {
  std::fprintf(stderr, "hlqconfig-helper: %s: %s\n", callerOf(invocation).c_str(), line.c_str());
  std::fflush(stderr);
}

void finished() {
  if (g_afterCall) g_afterCall();
}

const char* errorNameOf(HLQAuthorization outcome) {
  switch (outcome) {
    case HLQAuthorization::NotAuthorized: return HLQ_HELPER_ERROR_NOT_AUTHORIZED;
    case HLQAuthorization::Dismissed: return HLQ_HELPER_ERROR_DISMISSED;
    case HLQAuthorization::NoAgent: return HLQ_HELPER_ERROR_NO_AGENT;
    default: return HLQ_HELPER_ERROR_FAILED;
  }
}

const char* messageOf(HLQAuthorization outcome) {
  switch (outcome) {
    case HLQAuthorization::NotAuthorized: return "not authorized";
    case HLQAuthorization::Dismissed: return "the authentication dialog was dismissed";
    case HLQAuthorization::NoAgent: return "authentication is needed, but no agent answered";
    default: return "the authorization could not be checked";
  }
}

// The call's arguments were checked; false, with the call answered, when the
// caller is not allowed to make it.
bool authorized(GDBusMethodInvocation* invocation, const char* action, const std::string& what) {
  HLQAuthorizationResult result =
      HLQ_Authorize(g_dbus_method_invocation_get_sender(invocation), action);
  if (result.outcome == HLQAuthorization::Allowed) return true;
  std::string message = messageOf(result.outcome);
  if (!result.problem.empty()) message += ": " + result.problem;
  record(invocation, "not authorized: " + what + ": " + message);
  g_dbus_method_invocation_return_dbus_error(invocation, errorNameOf(result.outcome),
                                             message.c_str());
  return false;
}

// False, with the call answered, when the arguments are not what a page sends.
bool accepted(GDBusMethodInvocation* invocation, const std::string& what,
              const std::string& refusal) {
  if (refusal.empty()) return true;
  record(invocation, "refused: " + what + ": " + refusal);
  g_dbus_method_invocation_return_dbus_error(invocation, HLQ_HELPER_ERROR_REFUSED,
                                             refusal.c_str());
  return false;
}

void recordWrite(GDBusMethodInvocation* invocation, const std::string& what, const char* value,
                 const WriteResult& result) {
  if (result.stored())
    record(invocation, "stored " + what + " = " + escaped(value));
  else
    record(invocation, "not stored " + what + " = " + escaped(value) + ": " + result.reason);
}

std::string describe(const char* file, const char* section, const char* key,
                     const char* attribute = nullptr) {
  std::string what = std::string(file) + " " + section + "/" + key;
  if (attribute) what += std::string(" attribute ") + attribute;
  return what;
}

guint32 statusOf(const WriteResult& result) {
  if (result.changed()) return HLQ_HELPER_STORED;
  return result.stored() ? HLQ_HELPER_ALREADY_STORED : HLQ_HELPER_NOT_STORED;
}

// Every value is checked before any is written: a call with one refused
// value stores none. The accepted ones are stored in one save.
GVariant* storeAll(GDBusMethodInvocation* invocation, const char* file, GVariant* values) {
  std::vector<HLQValueToStore> toStore;
  GVariantIter iter;
  const gchar *section, *key, *attribute, *value;
  g_variant_iter_init(&iter, values);
  while (g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute, &value))
    toStore.push_back({section, key, *attribute ? attribute : nullptr, value});
  const std::vector<WriteResult> results =
      HLQ_StoreValuesInOneSave(HLQ_ConfigFilePath(file), toStore);
  GVariantBuilder reply;
  g_variant_builder_init(&reply, G_VARIANT_TYPE("a(us)"));
  for (size_t i = 0; i < results.size(); ++i) {
    const HLQValueToStore& v = toStore[i];
    recordWrite(invocation, describe(file, v.section, v.key, v.attribute), v.value.c_str(),
                results[i]);
    g_variant_builder_add(&reply, "(us)", statusOf(results[i]), results[i].reason.c_str());
  }
  return g_variant_builder_end(&reply);
}

gboolean onWriteValues(HlqHelper1* object, GDBusMethodInvocation* invocation, const gchar* file,
                       GVariant* serialised, const gchar* locale) {
  const std::string what = "WriteValues " + escaped(file);
  if (accepted(invocation, what, HLQ_RefusalOfLocale(locale))) {
    CallerLocale messages(locale);
    std::string refusal = HLQ_RefusalOfFile(file);
    GVariant* values = refusal.empty() ? HLQ_AcceptedValues(file, serialised, &refusal) : nullptr;
    if (accepted(invocation, what, refusal) &&
        authorized(invocation, HLQ_HELPER_CONFIGURE_ACTION, what))
      hlq_helper1_complete_write_values(object, invocation, storeAll(invocation, file, values));
    if (values) g_variant_unref(values);
  }
  finished();
  return TRUE;
}

// Every value the pages store in the file.
std::vector<HLQValueAddress> addressesOf(const char* file) {
  std::vector<HLQValueAddress> addresses;
  for (const HLQStoredValue& value : HLQ_StoredValues())
    if (std::strcmp(value.file, file) == 0)
      addresses.push_back({value.section, value.key, value.attribute});
  return addresses;
}

gboolean onReadValues(HlqHelper1* object, GDBusMethodInvocation* invocation, const gchar* file,
                      const gchar* locale) {
  const std::string what = "ReadValues " + escaped(file);
  if (accepted(invocation, what, HLQ_RefusalOfLocale(locale)) &&
      accepted(invocation, what, HLQ_RefusalOfFile(file)) &&
      authorized(invocation, HLQ_HELPER_READ_ACTION, what)) {
    CallerLocale messages(locale);
    const std::vector<HLQValueAddress> addresses = addressesOf(file);
    const HLQFileValues read = HLQ_ReadValuesOnce(HLQ_ConfigFilePath(file), addresses);
    GVariantBuilder values;
    g_variant_builder_init(&values, G_VARIANT_TYPE("a(sssbs)"));
    for (size_t i = 0; i < read.values.size(); ++i) {
      const HLQReadValue& value = read.values[i];
      g_variant_builder_add(&values, "(sssbs)", addresses[i].section, addresses[i].key,
                            addresses[i].attribute ? addresses[i].attribute : "",
                            value.text.has_value(),
                            value.text ? value.text->c_str() : value.reason.c_str());
    }
    hlq_helper1_complete_read_values(object, invocation, read.loaded, read.reason.c_str(),
                                     g_variant_builder_end(&values));
  }
  finished();
  return TRUE;
}

gboolean onRestartDaemon(HlqHelper1* object, GDBusMethodInvocation* invocation) {
  if (authorized(invocation, HLQ_HELPER_CONFIGURE_ACTION, "RestartDaemon")) {
    int status = HLQ_RunRestartCommand();
    record(invocation, std::string("ran \"") + HLQ_RESTART_COMMAND + "\": exit status " +
                           std::to_string(status));
    hlq_helper1_complete_restart_daemon(object, invocation, status);
  }
  finished();
  return TRUE;
}

}  // namespace

int HLQ_RunRestartCommand() {
  g_autofree gchar* path = g_strconcat("PATH=", HLQ_RestartSearchPath(), nullptr);
  gchar* env[] = {path, const_cast<gchar*>("LC_ALL=C.UTF-8"), nullptr};
  gchar** argv = nullptr;
  if (!g_shell_parse_argv(HLQ_RESTART_COMMAND, nullptr, &argv, nullptr)) return -1;
  int waitStatus = 0;
  // Descriptors other than the standard three are closed; standard input is
  // empty, and the command's output joins the helper's (the journal).
  gboolean ran = g_spawn_sync(
      "/", argv, env, GSpawnFlags(G_SPAWN_SEARCH_PATH_FROM_ENVP | G_SPAWN_STDIN_FROM_DEV_NULL |
                                  G_SPAWN_CHILD_INHERITS_STDOUT | G_SPAWN_CHILD_INHERITS_STDERR),
      nullptr, nullptr, nullptr, nullptr, &waitStatus, nullptr);
  g_strfreev(argv);
  if (!ran || !WIFEXITED(waitStatus)) return -1;
  return WEXITSTATUS(waitStatus);
}

bool HLQ_ExportHelper(GDBusConnection* bus, void (*afterCall)(), GError** error) {
  g_afterCall = afterCall;
  HlqHelper1* helper = hlq_helper1_skeleton_new();
  g_signal_connect(helper, "handle-write-values", G_CALLBACK(onWriteValues), nullptr);
  g_signal_connect(helper, "handle-read-values", G_CALLBACK(onReadValues), nullptr);
  g_signal_connect(helper, "handle-restart-daemon", G_CALLBACK(onRestartDaemon), nullptr);
  return g_dbus_interface_skeleton_export(G_DBUS_INTERFACE_SKELETON(helper), bus,
                                          HLQ_HELPER_OBJECT_PATH, error);
}

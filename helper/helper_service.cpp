#include "helper/helper_service.h"

#include <glib/gi18n-lib.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <string>

#include "app/fixed_paths.h"
#include "config/config_layout.h"
#include "config/xml_config.h"
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
bool authorized(GDBusMethodInvocation* invocation, const std::string& what) {
  HLQAuthorizationResult result = HLQ_Authorize(g_dbus_method_invocation_get_sender(invocation));
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

// Every value is checked before any is written: a call with one refused
// value stores none.
std::string refusalOfValues(const char* file, GVariant* values) {
  std::string refusal = HLQ_RefusalOfValueCount(g_variant_n_children(values));
  GVariantIter iter;
  const gchar *section, *key, *attribute, *value;
  g_variant_iter_init(&iter, values);
  while (refusal.empty() && g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute,
                                               &value))
    refusal = HLQ_RefusalOfWrite(file, section, key, attribute, value);
  return refusal;
}

WriteResult store(const char* file, const char* section, const char* key, const char* attribute,
                  const char* value) {
  CXMLModuleConfig config;
  const char* path = HLQ_ConfigFilePath(file);
  return *attribute ? config.WriteXMLNodeProperty(path, section, key, attribute, value)
                    : config.WriteXMLNodeValue(path, section, key, value);
}

gboolean onWriteValues(HlqHelper1* object, GDBusMethodInvocation* invocation, const gchar* file,
                       GVariant* values, const gchar* locale) {
  const std::string what = "WriteValues " + escaped(file);
  if (accepted(invocation, what, HLQ_RefusalOfLocale(locale))) {
    CallerLocale messages(locale);
    if (accepted(invocation, what, refusalOfValues(file, values)) &&
        authorized(invocation, what)) {
      GVariantBuilder results;
      g_variant_builder_init(&results, G_VARIANT_TYPE("a(bs)"));
      GVariantIter iter;
      const gchar *section, *key, *attribute, *value;
      g_variant_iter_init(&iter, values);
      while (g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute, &value)) {
        WriteResult result = store(file, section, key, attribute, value);
        recordWrite(invocation, describe(file, section, key, *attribute ? attribute : nullptr),
                    value, result);
        g_variant_builder_add(&results, "(bs)", result.stored(), result.reason.c_str());
      }
      hlq_helper1_complete_write_values(object, invocation, g_variant_builder_end(&results));
    }
  }
  finished();
  return TRUE;
}

gboolean onReadText(HlqHelper1* object, GDBusMethodInvocation* invocation, const gchar* file,
                    const gchar* section, const gchar* key) {
  const std::string what = "ReadText " + escaped(file) + " " + escaped(section) + " " +
                           escaped(key);
  if (accepted(invocation, what, HLQ_RefusalOfReadText(file, section, key)) &&
      authorized(invocation, what)) {
    auto text = CXMLModuleConfig().ReadXMLNodeValue(HLQ_ConfigFilePath(file), section, key);
    hlq_helper1_complete_read_text(object, invocation, text.has_value(),
                                   text ? text->c_str() : "");
  }
  finished();
  return TRUE;
}

gboolean onRestartDaemon(HlqHelper1* object, GDBusMethodInvocation* invocation) {
  if (authorized(invocation, "RestartDaemon")) {
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
  g_signal_connect(helper, "handle-read-text", G_CALLBACK(onReadText), nullptr);
  g_signal_connect(helper, "handle-restart-daemon", G_CALLBACK(onRestartDaemon), nullptr);
  return g_dbus_interface_skeleton_export(G_DBUS_INTERFACE_SKELETON(helper), bus,
                                          HLQ_HELPER_OBJECT_PATH, error);
}

#include "helper/helper_service.h"

#include <glib/gi18n-lib.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/config_layout.h"
#include "base/fixed_paths.h"
#include "config/linked_path.h"
#include "config/xml_values.h"
#include "helper/accepted_call.h"
#include "helper/bus_names.h"
#include "helper/call_gate.h"
#include "helper/call_record.h"
#include "helper/caller_locale.h"
#include "helper/restart_command.h"
#include "helper1-generated.h"
#include "model/page_model.h"

namespace {

void (*g_afterCall)() = nullptr;

using HeldVariant = std::shared_ptr<GVariant>;

std::string escaped(const char* text) {
  g_autofree gchar* e = g_strescape(text ? text : "", nullptr);
  return std::string("\"") + e + "\"";
}

void finished() {
  if (g_afterCall) g_afterCall();
}

// Answers a call whose arguments are not what a page sends.
void refuse(GDBusMethodInvocation* invocation, const HLQCaller& caller, const std::string& what,
            const std::string& refusal) {
  HLQ_RecordRefusal(caller, "refused: " + what + ": " + refusal);
  g_dbus_method_invocation_return_dbus_error(invocation, HLQ_HELPER_ERROR_REFUSED,
                                             refusal.c_str());
}

std::string describe(const char* file, const HLQValueToStore& value) {
  std::string what = std::string(file) + " " + value.section + "/" + value.key;
  if (value.attribute) what += std::string(" attribute ") + value.attribute;
  return what;
}

guint32 statusOf(const WriteResult& result) {
  if (result.changed()) return HLQ_HELPER_STORED;
  return result.stored() ? HLQ_HELPER_ALREADY_STORED : HLQ_HELPER_NOT_STORED;
}

// Stores the accepted values in one save, each on record; none when the
// file is reached through a link the helper may not follow.
GVariant* storeAll(const HLQCaller& caller, const char* file, GVariant* values) {
  std::vector<HLQValueToStore> toStore;
  GVariantIter iter;
  const gchar *section, *key, *attribute, *value;
  g_variant_iter_init(&iter, values);
  while (g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute, &value))
    toStore.push_back({section, key, *attribute ? attribute : nullptr, value});
  const char* path = HLQ_ConfigFilePath(file);
  const std::string unsafe = HLQ_RefusalOfLinkedPath(path);
  const std::vector<WriteResult> results =
      unsafe.empty() ? HLQ_StoreValuesInOneSave(path, toStore)
                     : std::vector<WriteResult>(toStore.size(),
                                                WriteResult{WriteStatus::SaveFailed, unsafe});
  GVariantBuilder reply;
  g_variant_builder_init(&reply, G_VARIANT_TYPE("a(us)"));
  for (size_t i = 0; i < results.size(); ++i) {
    const std::string line = describe(file, toStore[i]) + " = " + escaped(toStore[i].value.c_str());
    if (results[i].stored())
      HLQ_RecordChange(caller, "stored " + line);
    else
      HLQ_RecordChange(caller, "not stored " + line + ": " + results[i].reason);
    g_variant_builder_add(&reply, "(us)", statusOf(results[i]), results[i].reason.c_str());
  }
  return g_variant_builder_end(&reply);
}

gboolean onWriteValues(HlqHelper1* object, GDBusMethodInvocation* invocation, const gchar* file,
                       GVariant* serialised, const gchar* locale) {
  const HLQCaller caller = HLQ_CallerOf(invocation);
  const std::string what = "WriteValues " + escaped(file);
  std::string refusal;
  GVariant* values = nullptr;
  {
    CallerLocale messages(locale);
    refusal = HLQ_RefusalOfFile(file);
    if (refusal.empty()) values = HLQ_AcceptedValues(file, serialised, &refusal);
  }
  if (!values) {
    refuse(invocation, caller, what, refusal);
    finished();
    return TRUE;
  }
  const HeldVariant held(values, g_variant_unref);
  const std::string fileName = file;
  HLQ_AdmitCall({invocation, caller, what, locale, HLQ_HELPER_CONFIGURE_ACTION,
                 {{"file", fileName}, {"keys", HLQ_NamesOfValues(file, values)}},
                 [object, caller, fileName, held](GDBusMethodInvocation* call,
                                                  std::function<void()> answered) {
                   hlq_helper1_complete_write_values(
                       object, call, storeAll(caller, fileName.c_str(), held.get()));
                   answered();
                 }});
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

void readAll(HlqHelper1* object, GDBusMethodInvocation* invocation, const char* file) {
  const std::vector<HLQValueAddress> addresses = addressesOf(file);
  const char* path = HLQ_ConfigFilePath(file);
  const std::string unsafe = HLQ_RefusalOfLinkedPath(path);
  HLQFileValues read;
  read.reason = unsafe;
  if (unsafe.empty()) read = HLQ_ReadValuesOnce(path, addresses);
  GVariantBuilder values;
  g_variant_builder_init(&values, G_VARIANT_TYPE("a(sssbs)"));
  for (size_t i = 0; read.loaded && i < read.values.size(); ++i) {
    const HLQReadValue& value = read.values[i];
    g_variant_builder_add(&values, "(sssbs)", addresses[i].section, addresses[i].key,
                          addresses[i].attribute ? addresses[i].attribute : "",
                          value.text.has_value(),
                          value.text ? value.text->c_str() : value.reason.c_str());
  }
  hlq_helper1_complete_read_values(object, invocation, read.loaded, read.reason.c_str(),
                                   g_variant_builder_end(&values));
}

gboolean onReadValues(HlqHelper1* object, GDBusMethodInvocation* invocation, const gchar* file,
                      const gchar* locale) {
  const HLQCaller caller = HLQ_CallerOf(invocation);
  const std::string what = "ReadValues " + escaped(file);
  std::string refusal;
  {
    CallerLocale messages(locale);
    refusal = HLQ_RefusalOfFile(file);
  }
  if (!refusal.empty()) {
    refuse(invocation, caller, what, refusal);
  } else {
    const std::string fileName = file;
    HLQ_AdmitCall({invocation, caller, what, locale, HLQ_HELPER_READ_ACTION,
                   {{"file", fileName}},
                   [object, fileName](GDBusMethodInvocation* call, std::function<void()> answered) {
                     readAll(object, call, fileName.c_str());
                     answered();
                   }});
  }
  finished();
  return TRUE;
}

gboolean onRestartDaemon(HlqHelper1* object, GDBusMethodInvocation* invocation) {
  const HLQCaller caller = HLQ_CallerOf(invocation);
  HLQ_AdmitCall(
      {invocation, caller, "RestartDaemon", "", HLQ_HELPER_CONFIGURE_ACTION, {},
       [object, caller](GDBusMethodInvocation* call, std::function<void()> answered) {
         HLQ_StartRestartCommand([object, caller, call, answered](int status) {
           HLQ_RecordChange(caller, std::string("ran \"") + HLQ_RESTART_COMMAND +
                                        "\": exit status " + std::to_string(status));
           hlq_helper1_complete_restart_daemon(object, call, status);
           answered();
         });
       }});
  finished();
  return TRUE;
}

}  // namespace

bool HLQ_ExportHelper(GDBusConnection* bus, void (*afterCall)(), GError** error) {
  g_afterCall = afterCall;
  HLQ_OnCallAnswered(afterCall);
  HlqHelper1* helper = hlq_helper1_skeleton_new();
  g_signal_connect(helper, "handle-write-values", G_CALLBACK(onWriteValues), nullptr);
  g_signal_connect(helper, "handle-read-values", G_CALLBACK(onReadValues), nullptr);
  g_signal_connect(helper, "handle-restart-daemon", G_CALLBACK(onRestartDaemon), nullptr);
  return g_dbus_interface_skeleton_export(G_DBUS_INTERFACE_SKELETON(helper), bus,
                                          HLQ_HELPER_OBJECT_PATH, error);
}

bool HLQ_HelperBusy() { return HLQ_CallsInFlight() > 0; }

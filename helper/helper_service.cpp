#include "helper/helper_service.h"

#include <glib/gi18n-lib.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/config_layout.h"
#include "base/fixed_paths.h"
#include "config/held_store.h"
#include "config/linked_path.h"
#include "config/xml_values.h"
#include "helper/accepted_call.h"
#include "helper/bus_names.h"
#include "helper/call_gate.h"
#include "helper/call_record.h"
#include "helper/caller_locale.h"
#include "helper/given_values.h"
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

// One line of the record for each value a store was given.
void recordStore(const HLQCaller& caller, const char* file, const HLQValueToStore& value,
                 const WriteResult& result) {
  const std::string line = describe(file, value) + " = " + escaped(value.value.c_str());
  if (result.stored())
    HLQ_RecordChange(caller, "stored " + line);
  else
    HLQ_RecordChange(caller, "not stored " + line + ": " + result.reason);
}

guint32 statusOf(const WriteResult& result) {
  if (result.changed()) return HLQ_HELPER_STORED;
  return result.stored() ? HLQ_HELPER_ALREADY_STORED : HLQ_HELPER_NOT_STORED;
}

// One store on its way: taken on the main loop, carried out on a thread of
// its own (waiting for the writers' lock there holds up no other caller),
// answered and put on record on the main loop again.
struct Store {
  GDBusMethodInvocation* invocation;
  std::function<void()> answered;
  HLQCaller caller;
  std::string file;
  HeldVariant values;
  HeldVariant held;  // the texts the file must still hold; none for WriteValues
  locale_t locale;
  std::vector<HLQValueToStore> toStore;
  std::vector<HLQHeldText> heldTexts;
  std::vector<WriteResult> results;
};

// Stores the accepted values in one save; none when the file is reached
// through a link the helper may not follow.
void storeInThread(GTask* task, gpointer, gpointer data, GCancellable*) {
  Store* store = static_cast<Store*>(data);
  CallerLocale messages(store->locale);
  const char* path = HLQ_ConfigFilePath(store->file.c_str());
  std::string unsafe;
  if (!HLQ_CheckLinkedPath(path, &unsafe))
    store->results.assign(store->toStore.size(), WriteResult{WriteStatus::SaveFailed, unsafe});
  else
    HLQ_StoreValuesIfHeld(path, store->toStore, store->heldTexts, &store->results, nullptr);
  g_task_return_boolean(task, TRUE);
}

// Each value on record, and the answer.
void stored(GObject*, GAsyncResult*, gpointer data) {
  std::unique_ptr<Store> store(static_cast<Store*>(data));
  GVariantBuilder reply;
  g_variant_builder_init(&reply, G_VARIANT_TYPE("a(us)"));
  for (size_t i = 0; i < store->results.size(); ++i) {
    const WriteResult& result = store->results[i];
    const HLQValueToStore& value = store->toStore[i];
    recordStore(store->caller, store->file.c_str(), value, result);
    g_variant_builder_add(&reply, "(us)", statusOf(result), result.reason.c_str());
  }
  // WriteValues and WriteValuesIfHeld answer alike.
  g_dbus_method_invocation_return_value(store->invocation,
                                        g_variant_new("(@a(us))", g_variant_builder_end(&reply)));
  store->answered();
}

void startStore(std::unique_ptr<Store> store) {
  GVariantIter iter;
  const gchar *section, *key, *attribute, *value;
  g_variant_iter_init(&iter, store->values.get());
  while (g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute, &value))
    store->toStore.push_back({section, key, *attribute ? attribute : nullptr, value});
  gboolean present = FALSE;
  if (store->held) g_variant_iter_init(&iter, store->held.get());
  while (store->held &&
         g_variant_iter_next(&iter, "(&s&s&sb&s)", &section, &key, &attribute, &present, &value))
    store->heldTexts.push_back({section, key, *attribute ? attribute : nullptr,
                                present ? std::optional<std::string>(value) : std::nullopt});
  Store* data = store.release();
  GTask* task = g_task_new(nullptr, nullptr, stored, data);
  g_task_set_task_data(task, data, nullptr);
  g_task_run_in_thread(task, storeInThread);
  g_object_unref(task);
}

// WriteValues, and WriteValuesIfHeld with `serialisedHeld`.
void takeWrite(GDBusMethodInvocation* invocation, const gchar* file, GVariant* serialised,
               GVariant* serialisedHeld, const gchar* locale) {
  const HLQCaller caller = HLQ_CallerOf(invocation);
  const std::string what = (serialisedHeld ? "WriteValuesIfHeld " : "WriteValues ") + escaped(file);
  std::string refusal;
  GVariant* values = nullptr;
  GVariant* held = nullptr;
  bool accepted = HLQ_CheckLocaleName(locale, &refusal);
  if (accepted) {
    CallerLocale messages(locale);
    accepted = HLQ_CheckFileName(file, &refusal) &&
               HLQ_AcceptValues(file, serialised, &values, &refusal) &&
               (!serialisedHeld || HLQ_AcceptHeldTexts(file, serialisedHeld, &held, &refusal));
  }
  if (!accepted) {
    if (values) g_variant_unref(values);
    refuse(invocation, caller, what, refusal);
    finished();
    return;
  }
  const HeldVariant keptValues(values, g_variant_unref);
  const HeldVariant keptHeld(held, [](GVariant* v) { if (v) g_variant_unref(v); });
  const std::string fileName = file;
  const std::string localeName = locale;
  HLQ_AdmitCall({invocation, caller, what, locale, HLQ_HELPER_CONFIGURE_ACTION,
                 {{"file", fileName}, {"keys", HLQ_NamesOfValues(file, values)}},
                 [caller, fileName, keptValues, keptHeld, localeName](
                     GDBusMethodInvocation* call, std::function<void()> answered) {
                   startStore(std::unique_ptr<Store>(new Store{
                       call, std::move(answered), caller, fileName, keptValues, keptHeld,
                       HLQ_LocaleOfCaller(localeName.c_str()), {}, {}, {}}));
                 }});
  finished();
}

gboolean onWriteValues(HlqHelper1*, GDBusMethodInvocation* invocation, const gchar* file,
                       GVariant* serialised, const gchar* locale) {
  takeWrite(invocation, file, serialised, nullptr, locale);
  return TRUE;
}

gboolean onWriteValuesIfHeld(HlqHelper1*, GDBusMethodInvocation* invocation, const gchar* file,
                             GVariant* serialised, GVariant* held, const gchar* locale) {
  takeWrite(invocation, file, serialised, held, locale);
  return TRUE;
}

// One WriteGivenValues on its way: planned once its caller may read the
// file, stored on a thread of its own once it may also write there.
struct GivenStore {
  GDBusMethodInvocation* invocation = nullptr;
  std::function<void()> answered;
  HLQCaller caller;
  std::string file;
  locale_t locale = nullptr;
  std::vector<HLQValueRequest> given;
  HLQGivenPlan planned;
  std::vector<WriteResult> results;  // by the plan's writes
};

void answerGiven(GivenStore* store) {
  GVariantBuilder results;
  g_variant_builder_init(&results, G_VARIANT_TYPE("a(sssus)"));
  const HLQChangePlan& plan = store->planned.plan;
  for (size_t i = 0; i < store->results.size() && i < plan.writes.size(); ++i) {
    const HLQStoredValue& stored = *plan.writes[i].stored;
    const WriteResult& result = store->results[i];
    const HLQValueToStore value{stored.section, stored.key, stored.attribute, plan.writes[i].text};
    recordStore(store->caller, store->file.c_str(), value, result);
    g_variant_builder_add(&results, "(sssus)", stored.section, stored.key,
                          stored.attribute ? stored.attribute : "", statusOf(result),
                          result.reason.c_str());
  }
  g_dbus_method_invocation_return_value(
      store->invocation, HLQ_GivenValuesReply(store->file.c_str(), store->planned.texts,
                                              g_variant_builder_end(&results)));
  store->answered();
}

void storeGivenInThread(GTask* task, gpointer, gpointer data, GCancellable*) {
  GivenStore* store = static_cast<GivenStore*>(data);
  CallerLocale messages(store->locale);
  // The path is checked again: it may have been made a link since it was read.
  std::string unsafe;
  store->results.clear();
  if (HLQ_CheckLinkedPath(HLQ_ConfigFilePath(store->file.c_str()), &unsafe))
    store->planned = HLQ_StoreGivenValues(store->file.c_str(), store->given, &store->results);
  else
    store->planned.texts.files[store->file] = {false, false, unsafe};
  g_task_return_boolean(task, TRUE);
}

void storedGiven(GObject*, GAsyncResult*, gpointer data) {
  answerGiven(static_cast<GivenStore*>(data));
}

// What the file holds, read where the helper may follow its path.
HLQGivenPlan planGiven(const std::string& file, const std::vector<HLQValueRequest>& given) {
  std::string unsafe;
  if (HLQ_CheckLinkedPath(HLQ_ConfigFilePath(file.c_str()), &unsafe)) return HLQ_PlanGivenValues(file.c_str(), given);
  HLQGivenPlan refused;
  refused.texts.files[file] = {false, false, unsafe};
  return refused;
}

std::string namesOf(const std::vector<HLQValueRequest>& given) {
  std::string names;
  for (const HLQValueRequest& request : given)
    names += (names.empty() ? "" : ",") + std::string(request.value->name);
  return names;
}

// Asked first as a read; the values are planned only then, and where
// anything is to be written the call must be allowed as a write as well.
gboolean onWriteGivenValues(HlqHelper1*, GDBusMethodInvocation* invocation, const gchar* file,
                            GVariant* serialised, const gchar* locale) {
  const HLQCaller caller = HLQ_CallerOf(invocation);
  const std::string what = "WriteGivenValues " + escaped(file);
  std::string refusal;
  std::vector<HLQValueRequest> given;
  bool accepted = HLQ_CheckLocaleName(locale, &refusal);
  if (accepted) {
    CallerLocale messages(locale);
    accepted = HLQ_CheckFileName(file, &refusal) &&
               HLQ_AcceptGivenValues(file, serialised, &given, &refusal);
  }
  if (!accepted) {
    refuse(invocation, caller, what, refusal);
    finished();
    return TRUE;
  }
  auto store = std::make_shared<GivenStore>();
  store->caller = caller;
  store->file = file;
  store->locale = HLQ_LocaleOfCaller(locale);
  store->given = std::move(given);
  HLQ_AdmitCall({invocation, caller, what, locale, HLQ_HELPER_READ_ACTION,
                 {{"file", store->file}},
                 [store](GDBusMethodInvocation* call, std::function<void()> answered) {
                   GivenStore* data = new GivenStore(*store);
                   data->invocation = call;
                   data->answered = std::move(answered);
                   if (!data->planned.writes()) {
                     std::unique_ptr<GivenStore> done(data);
                     answerGiven(data);
                     return;
                   }
                   GTask* task = g_task_new(nullptr, nullptr, storedGiven, data);
                   g_task_set_task_data(task, data, [](gpointer p) {
                     delete static_cast<GivenStore*>(p);
                   });
                   g_task_run_in_thread(task, storeGivenInThread);
                   g_object_unref(task);
                 },
                 [store](HLQGatedCall* call) {
                   store->planned = planGiven(store->file, store->given);
                   if (!store->planned.writes()) return false;
                   call->action = HLQ_HELPER_CONFIGURE_ACTION;
                   call->details = {{"file", store->file}, {"keys", namesOf(store->given)}};
                   return true;
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
  HLQFileValues read;
  if (HLQ_CheckLinkedPath(path, &read.reason)) read = HLQ_ReadValuesOnce(path, addresses);
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
  bool accepted = HLQ_CheckLocaleName(locale, &refusal);
  if (accepted) {
    CallerLocale messages(locale);
    accepted = HLQ_CheckFileName(file, &refusal);
  }
  if (!accepted) {
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
  g_signal_connect(helper, "handle-write-values-if-held", G_CALLBACK(onWriteValuesIfHeld),
                   nullptr);
  g_signal_connect(helper, "handle-read-values", G_CALLBACK(onReadValues), nullptr);
  g_signal_connect(helper, "handle-write-given-values", G_CALLBACK(onWriteGivenValues), nullptr);
  g_signal_connect(helper, "handle-restart-daemon", G_CALLBACK(onRestartDaemon), nullptr);
  return g_dbus_interface_skeleton_export(G_DBUS_INTERFACE_SKELETON(helper), bus,
                                          HLQ_HELPER_OBJECT_PATH, error);
}

bool HLQ_HelperBusy() { return HLQ_CallsInFlight() > 0; }

#include "config/helper_async.h"

#include <gio/gio.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "config/config_layout.h"
#include "config/helper_client.h"
#include "config/xml_config.h"
#include "helper/bus_names.h"
#include "helper1-generated.h"

namespace {

// One call on its way: what it sends and where its answer goes. It lives
// from the call until its answer has been handed on.
struct Call {
  std::string fileName;
  std::vector<HLQValueToStore> values;  // a write's values; a read has none
  HLQHelperWriteAnswer written;
  HLQHelperReadAnswer read;
};

void fail(std::unique_ptr<Call> call, GError* error) {
  if (call->written) {
    call->written(HLQ_HelperWriteFailure(error, call->values.size()));
  } else {
    HLQHelperFileRead failed;
    bool refused = false;
    failed.reason = HLQ_HelperFailureReason(error, &refused);
    call->read(failed);
  }
  g_error_free(error);
}

void onWritten(GObject* proxy, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Call> call(static_cast<Call*>(data));
  GError* error = nullptr;
  GVariant* results = nullptr;
  const bool answered =
      hlq_helper1_call_write_values_finish(HLQ_HELPER1(proxy), &results, result, &error);
  g_object_unref(proxy);
  if (!answered) return fail(std::move(call), error);
  call->written(HLQ_HelperWriteResults(results, call->values.size()));
  g_variant_unref(results);
}

void onRead(GObject* proxy, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Call> call(static_cast<Call*>(data));
  GError* error = nullptr;
  gboolean loaded = FALSE;
  gchar* reason = nullptr;
  GVariant* values = nullptr;
  const bool answered = hlq_helper1_call_read_values_finish(HLQ_HELPER1(proxy), &loaded, &reason,
                                                            &values, result, &error);
  g_object_unref(proxy);
  if (!answered) return fail(std::move(call), error);
  call->read(HLQ_HelperFileRead(loaded, reason, values));
  g_free(reason);
  g_variant_unref(values);
}

// The proxy is there: the call itself. Its answer keeps the proxy alive
// until it comes. No time limit: a technician may take their time with the
// password, and an answer that came after the window gave up waiting would
// leave a value stored that the window reported as not stored.
void onProxy(GObject*, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Call> call(static_cast<Call*>(data));
  GError* error = nullptr;
  HlqHelper1* proxy = hlq_helper1_proxy_new_finish(result, &error);
  if (!proxy) return fail(std::move(call), error);
  const GDBusCallFlags flags = HLQ_HelperCallFlags(HLQ_HelperInteractive());
  const char* file = call->fileName.c_str();
  if (call->written) {
    GVariant* argument = HLQ_HelperValuesArgument(call->values);
    hlq_helper1_call_write_values(proxy, file, argument, HLQ_MessageLocale(), flags, G_MAXINT,
                                  nullptr, onWritten, call.release());
  } else {
    hlq_helper1_call_read_values(proxy, file, HLQ_MessageLocale(), flags, G_MAXINT, nullptr,
                                 onRead, call.release());
  }
}

void onBus(GObject*, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Call> call(static_cast<Call*>(data));
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_finish(result, &error);
  if (!bus) return fail(std::move(call), error);
  // The window outlives the bus: losing it must not end the tool.
  g_dbus_connection_set_exit_on_close(bus, FALSE);
  hlq_helper1_proxy_new(bus,
                        GDBusProxyFlags(G_DBUS_PROXY_FLAGS_DO_NOT_LOAD_PROPERTIES |
                                        G_DBUS_PROXY_FLAGS_DO_NOT_CONNECT_SIGNALS),
                        HLQ_HELPER_BUS_NAME, HLQ_HELPER_OBJECT_PATH, nullptr, onProxy,
                        call.release());
  g_object_unref(bus);
}

void start(std::unique_ptr<Call> call) {
  g_bus_get(G_BUS_TYPE_SYSTEM, nullptr, onBus, call.release());
}

}  // namespace

void HLQ_HelperWriteValuesAsync(const char* file, const std::vector<HLQValueToStore>& values,
                                HLQHelperWriteAnswer answer) {
  auto call = std::make_unique<Call>();
  call->fileName = HLQ_ConfigFileName(file) ? HLQ_ConfigFileName(file) : "";
  call->values = values;
  call->written = std::move(answer);
  start(std::move(call));
}

void HLQ_HelperReadValuesAsync(const char* file, HLQHelperReadAnswer answer) {
  auto call = std::make_unique<Call>();
  call->fileName = HLQ_ConfigFileName(file) ? HLQ_ConfigFileName(file) : "";
  call->read = std::move(answer);
  start(std::move(call));
}

void HLQ_StoreValuesAsync(const char* file, const std::vector<HLQValueToStore>& values,
                          HLQHelperWriteAnswer answer) {
  if (!HLQ_NeedsHelper(file, W_OK)) return answer(HLQ_StoreValues(file, values));
  std::vector<WriteResult> results;
  const HLQHelperShare share = HLQ_StoreWhatTheHelperMayNotTake(file, values, &results);
  std::string problem;
  if (share.values.empty() || !HLQ_HelperCalls(&problem)) {
    for (size_t place : share.places)
      results[place] = WriteResult{WriteStatus::NotAuthorized, problem};
    return answer(results);
  }
  HLQ_HelperWriteValuesAsync(
      file, share.values,
      [results, places = share.places, answer](const std::vector<WriteResult>& answers) mutable {
        for (size_t k = 0; k < answers.size() && k < places.size(); ++k)
          results[places[k]] = answers[k];
        answer(results);
      });
}

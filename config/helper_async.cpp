#include "config/helper_async.h"

#include <gio/gio.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "config/config_layout.h"
#include "config/helper_client.h"
#include "config/xml_config.h"
#include "helper/bus_names.h"

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
    failed.reason = HLQ_HelperFailureReason(error);
    call->read(failed);
  }
  g_error_free(error);
}

void onWritten(GObject* bus, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Call> call(static_cast<Call*>(data));
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
  if (!reply) return fail(std::move(call), error);
  call->written(HLQ_HelperWriteResults(reply, call->values.size()));
  g_variant_unref(reply);
}

void onRead(GObject* bus, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Call> call(static_cast<Call*>(data));
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
  if (!reply) return fail(std::move(call), error);
  call->read(HLQ_HelperReadReply(reply));
  g_variant_unref(reply);
}

// The bus is there: the call itself, addressed to the helper's well-known
// name (a helper ending after its idle time hands it on to a fresh one).
// No time limit: a technician may take their time with the password, and an
// answer that came after the window gave up waiting would leave a value
// stored that the window reported as not stored.
void onBus(GObject*, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Call> call(static_cast<Call*>(data));
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_finish(result, &error);
  if (!bus) return fail(std::move(call), error);
  // The window outlives the bus: losing it must not end the tool.
  g_dbus_connection_set_exit_on_close(bus, FALSE);
  const GDBusCallFlags flags = HLQ_HelperCallFlags(HLQ_HelperInteractive());
  const char* file = call->fileName.c_str();
  if (call->written) {
    GVariant* parameters = g_variant_new("(s@ays)", file, HLQ_HelperValuesArgument(call->values),
                                         HLQ_MessageLocale());
    g_dbus_connection_call(bus, HLQ_HELPER_BUS_NAME, HLQ_HELPER_OBJECT_PATH, HLQ_HELPER_INTERFACE,
                           "WriteValues", parameters, G_VARIANT_TYPE("(a(us))"), flags, G_MAXINT,
                           nullptr, onWritten, call.release());
  } else {
    g_dbus_connection_call(bus, HLQ_HELPER_BUS_NAME, HLQ_HELPER_OBJECT_PATH, HLQ_HELPER_INTERFACE,
                           "ReadValues", g_variant_new("(ss)", file, HLQ_MessageLocale()),
                           G_VARIANT_TYPE("(bsa(sssbs))"), flags, G_MAXINT, nullptr, onRead,
                           call.release());
  }
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

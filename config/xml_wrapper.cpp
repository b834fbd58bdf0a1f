#include "config/xml_wrapper.h"

#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <new>

#include "config/config_layout.h"
#include "config/helper_calls.h"
#include "config/xml_config.h"

struct XMLWrapperHandle {
  CXMLModuleConfig* config;
};

namespace {

WriteResult noHandle() {
  return WriteResult{WriteStatus::NoHandle, _("there is no configuration handle (out of memory)")};
}

WriteResult storeHere(HXMLWRAPPER handle, const char* file, const HLQValueToStore& v) {
  return v.attribute
             ? xmlwrapper_WriteXMLNodeProperty(handle, file, v.section, v.key, v.attribute,
                                               v.value.c_str())
             : xmlwrapper_WriteXMLNodeValue(handle, file, v.section, v.key, v.value.c_str());
}

}  // namespace

// Without memory the handle is null, which every function below accepts:
// reads give absent and writes report that nothing was stored.
HXMLWRAPPER xmlwrapper_create() {
  auto* config = new (std::nothrow) CXMLModuleConfig;
  if (!config) return nullptr;
  auto* handle = new (std::nothrow) XMLWrapperHandle{config};
  if (!handle) delete config;
  return handle;
}

void xmlwrapper_destroy(HXMLWRAPPER handle) {
  if (!handle) return;
  delete handle->config;
  delete handle;
}

std::optional<std::string> xmlwrapper_ReadXMLNodeValue(HXMLWRAPPER handle, const char* file,
                                                       const char* section, const char* key) {
  if (!handle || !handle->config) return std::nullopt;
  if (section && key && HLQ_NeedsHelper(file, R_OK)) {
    HLQFileValues read = HLQ_ReadValues(file, {{section, key, nullptr}});
    if (!read.loaded) return std::nullopt;
    return read.values.at(0).text;
  }
  return handle->config->ReadXMLNodeValue(file, section, key);
}

WriteResult xmlwrapper_WriteXMLNodeValue(HXMLWRAPPER handle, const char* file,
                                         const char* section, const char* key,
                                         const char* text) {
  if (!handle || !handle->config) return noHandle();
  return handle->config->WriteXMLNodeValue(file, section, key, text);
}

std::optional<std::string> xmlwrapper_ReadXMLNodeProperty(HXMLWRAPPER handle, const char* file,
                                                          const char* section, const char* key,
                                                          const char* attribute) {
  if (!handle || !handle->config) return std::nullopt;
  return handle->config->ReadXMLNodeProperty(file, section, key, attribute);
}

WriteResult xmlwrapper_WriteXMLNodeProperty(HXMLWRAPPER handle, const char* file,
                                            const char* section, const char* key,
                                            const char* attribute, const char* value) {
  if (!handle || !handle->config) return noHandle();
  return handle->config->WriteXMLNodeProperty(file, section, key, attribute, value);
}

HLQHelperShare HLQ_StoreWhatTheHelperMayNotTake(const char* file,
                                                const std::vector<HLQValueToStore>& values,
                                                std::vector<WriteResult>* results) {
  HLQHelperShare share;
  results->assign(values.size(), WriteResult{});
  HXMLWRAPPER handle = xmlwrapper_create();
  for (size_t i = 0; i < values.size(); ++i) {
    const HLQValueToStore& v = values[i];
    if (v.section && v.key && HLQ_IsXmlSafeText(v.value.c_str())) {
      share.values.push_back(v);
      share.places.push_back(i);
    } else {
      (*results)[i] = storeHere(handle, file, v);
    }
  }
  xmlwrapper_destroy(handle);
  return share;
}

// Through the helper, the values go in one call, which the helper stores in
// one save. It is given only text that it could accept: a text the file
// cannot keep is refused here by the configuration code, with its own
// reason, rather than making the helper refuse the whole call.
std::vector<WriteResult> HLQ_StoreValues(const char* file,
                                         const std::vector<HLQValueToStore>& values) {
  std::vector<WriteResult> results(values.size());
  // Here, as in the helper, one Apply is one load and one save of the
  // file, so that no page is ever left stored in part by a failed save.
  if (!HLQ_NeedsHelper(file, W_OK)) return HLQ_StoreValuesInOneSave(file, values);
  const HLQHelperShare share = HLQ_StoreWhatTheHelperMayNotTake(file, values, &results);
  if (!share.values.empty()) {
    std::vector<WriteResult> answers = HLQ_HelperStore(file, share.values);
    for (size_t k = 0; k < answers.size(); ++k) results[share.places[k]] = answers[k];
  }
  return results;
}

#include "config/xml_wrapper.h"

#include <fcntl.h>
#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <cerrno>
#include <map>
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

// What the helper read of each file, asked for once: every page that shows
// a file takes its values from one call, authorised once.
std::map<std::string, HLQHelperFileRead>& helperReads() {
  static std::map<std::string, HLQHelperFileRead> reads;
  return reads;
}

const HLQHelperFileRead& readThroughHelper(const char* file) {
  auto found = helperReads().find(file);
  if (found != helperReads().end()) return found->second;
  HLQHelperFileRead read;
  std::string problem;
  if (const HLQHelperCalls* calls = HLQ_HelperCalls(&problem))
    read = calls->readValues(file, HLQ_HelperInteractive());
  else
    read.reason = problem;
  return helperReads()[file] = read;
}

const HLQHelperValue* findValue(const HLQHelperFileRead& read, const char* section,
                                const char* key, const char* attribute) {
  for (const HLQHelperValue& value : read.values)
    if (value.section == section && value.key == key && value.attribute == (attribute ? attribute : ""))
      return &value;
  return nullptr;
}

WriteResult storeHere(HXMLWRAPPER handle, const char* file, const HLQValueToStore& v) {
  return v.attribute
             ? xmlwrapper_WriteXMLNodeProperty(handle, file, v.section, v.key, v.attribute,
                                               v.value.c_str())
             : xmlwrapper_WriteXMLNodeValue(handle, file, v.section, v.key, v.value.c_str());
}

}  // namespace

// Only the permission bits (or an ACL) keep an ordinary user from one of
// the daemon's files; the helper may then do it. Anything else (a missing
// file, a read-only mount, an immutable file) the helper cannot mend either,
// and the value's own access reports it.
bool HLQ_NeedsHelper(const char* file, int access) {
  if (!file || geteuid() == 0 || !HLQ_ConfigFileName(file)) return false;
  return faccessat(AT_FDCWD, file, access, AT_EACCESS) != 0 && errno == EACCES;
}

HLQFileValues HLQ_ValuesOfHelperRead(const HLQHelperFileRead& read,
                                     const std::vector<HLQValueAddress>& addresses) {
  HLQFileValues values;
  values.loaded = read.answered && read.loaded;
  values.helperUnanswered = !read.answered;
  values.reason = read.reason;
  if (!values.loaded) return values;
  for (const HLQValueAddress& address : addresses) {
    HLQReadValue value;
    const HLQHelperValue* found = findValue(read, address.section, address.key, address.attribute);
    if (found && found->present)
      value.text = found->text;
    else
      value.reason = found ? found->text : _("the helper does not read this value");
    values.values.push_back(std::move(value));
  }
  return values;
}

HLQFileValues HLQ_ReadValues(const char* file, const std::vector<HLQValueAddress>& addresses) {
  if (!HLQ_NeedsHelper(file, R_OK)) return HLQ_ReadValuesOnce(file, addresses);
  return HLQ_ValuesOfHelperRead(readThroughHelper(file), addresses);
}

void HLQ_RememberHelperRead(const char* file, const HLQHelperFileRead& read) {
  helperReads()[file] = read;
}

void HLQ_ForgetHelperReads() { helperReads().clear(); }

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

std::vector<WriteResult> HLQ_HelperStore(const char* file,
                                         const std::vector<HLQValueToStore>& values) {
  std::string problem;
  const HLQHelperCalls* calls = HLQ_HelperCalls(&problem);
  if (calls) return calls->writeValues(file, values, HLQ_HelperInteractive());
  return std::vector<WriteResult>(values.size(), WriteResult{WriteStatus::NotAuthorized, problem});
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

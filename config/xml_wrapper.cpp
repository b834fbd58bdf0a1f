// The flat configuration functions, and the one choice that the reads and the
// stores of an Apply add to the configuration class: whether this process
// works on the file itself or has the privileged helper do it.
#include <fcntl.h>
#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "config/config_layout.h"
#include "config/helper_client.h"
#include "config/xml_config.h"

struct XMLWrapperHandle {
  CXMLModuleConfig* config;
};

namespace {

WriteResult noHandle() {
  return WriteResult{WriteStatus::NoHandle, _("there is no configuration handle (out of memory)")};
}

// Once one read was not authorised, the window shows what it can read
// without asking for the password again at every value.
bool g_helperReadsRefused = false;

// Only the permission bits (or an ACL) keep an ordinary user from one of
// the daemon's files; the helper may then do it. Anything else (a missing
// file, a read-only mount, an immutable file) the helper cannot mend either,
// and the value's own access reports it.
bool needsHelper(const char* file, int access) {
  if (!file || geteuid() == 0 || !HLQ_ConfigFileName(file)) return false;
  return faccessat(AT_FDCWD, file, access, AT_EACCESS) != 0 && errno == EACCES;
}

// The helper is given only names and text that it could accept; anything
// else is refused here by the configuration code, with its own reason.
bool helperMayTake(const HLQValueToStore& v) {
  return v.section && v.key && HLQ_IsXmlSafeText(v.value.c_str());
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
  if (section && key && !g_helperReadsRefused && needsHelper(file, R_OK)) {
    std::string refusal;
    auto text = HLQ_HelperReadText(file, section, key, &refusal);
    g_helperReadsRefused = !refusal.empty();
    return text;
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

std::vector<WriteResult> HLQ_StoreValues(const char* file,
                                         const std::vector<HLQValueToStore>& values) {
  const bool throughHelper = needsHelper(file, W_OK);
  std::vector<WriteResult> results(values.size());
  std::vector<HLQValueToStore> forHelper;
  std::vector<size_t> placeOf;
  HXMLWRAPPER handle = xmlwrapper_create();
  for (size_t i = 0; i < values.size(); ++i) {
    if (throughHelper && helperMayTake(values[i])) {
      forHelper.push_back(values[i]);
      placeOf.push_back(i);
    } else {
      results[i] = storeHere(handle, file, values[i]);
    }
  }
  xmlwrapper_destroy(handle);
  if (!forHelper.empty()) {
    std::vector<WriteResult> answers = HLQ_HelperWriteValues(file, forHelper);
    for (size_t k = 0; k < answers.size(); ++k) results[placeOf[k]] = answers[k];
  }
  return results;
}

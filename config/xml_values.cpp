#include "config/xml_values.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>

#include "config/config_layout.h"
#include "config/file_lock.h"
#include "config/helper_calls.h"
#include "config/xml_config.h"
#include "config/xml_document.h"

using tinyxml2::XMLElement;

namespace {

// Why one value of a batch may not be written, as the single writes check it.
std::optional<WriteResult> refusalOfValue(const HLQValueToStore& v) {
  if (auto refused = HLQ_UnstorableText(v.value.c_str())) return refused;
  if (v.attribute && !HLQ_IsXmlName(v.attribute)) {
    g_autofree gchar* reason =
        g_strdup_printf(_("\"%s\" is not a valid attribute name"), v.attribute);
    return HLQ_NotStored(WriteStatus::TextNotAllowed, reason);
  }
  return std::nullopt;
}

// True when a read of the element would give the value already.
bool alreadyHolds(XMLElement* element, const HLQValueToStore& v) {
  if (v.attribute) {
    const char* value = element->Attribute(v.attribute);
    return value && v.value == value;
  }
  const char* text = element->GetText();
  const std::string expected = HLQ_ReadsBackAsEmpty(v.value.c_str()) ? "" : v.value;
  return expected == (text ? text : "");
}

WriteResult missingAttribute(const char* section, const char* key, const char* attribute) {
  // TRANSLATORS: the attribute's name, then the element path of the configuration file.
  g_autofree gchar* reason = g_strdup_printf(_("the attribute %s of VCP/%s/%s is missing"),
                                             attribute, section, key);
  return HLQ_NotStored(WriteStatus::ElementMissing, reason);
}

}  // namespace

std::vector<WriteResult> HLQ_StoreValuesInOneSave(const char* file,
                                                  const std::vector<HLQValueToStore>& values) {
  std::vector<WriteResult> results(values.size());
  HLQFileLock lock(file);
  HLQFreshDocument doc;
  WriteResult why;
  if (!lock.held()) why = HLQ_NotStored(WriteStatus::SaveFailed, lock.problem());
  if (!lock.held() || !HLQ_LoadDocument(doc, file, &why)) {
    std::fill(results.begin(), results.end(), why);
    return results;
  }
  std::vector<HLQWritten> written;
  std::vector<size_t> changed;
  for (size_t i = 0; i < values.size(); ++i) {
    const HLQValueToStore& v = values[i];
    if (auto refused = refusalOfValue(v)) {
      results[i] = *refused;
      continue;
    }
    XMLElement* element = HLQ_FindKey(doc, v.section, v.key, &results[i]);
    if (!element) continue;
    if (alreadyHolds(element, v)) {
      results[i] = WriteResult{WriteStatus::AlreadyStored, ""};
      continue;
    }
    if (v.attribute)
      element->SetAttribute(v.attribute, v.value.c_str());
    else
      HLQ_SetText(element, v.value.c_str());
    written.push_back({v.section, v.key, v.attribute, v.value.c_str()});
    changed.push_back(i);
  }
  if (written.empty()) return results;  // nothing to change: the file is not touched
  const WriteResult saved = HLQ_SaveDocument(doc, file, written);
  for (size_t i : changed) results[i] = saved;
  return results;
}

HLQFileValues HLQ_ReadValuesOnce(const char* file, const std::vector<HLQValueAddress>& addresses) {
  HLQFileValues read;
  HLQFreshDocument doc;
  WriteResult why;
  if (!HLQ_LoadDocument(doc, file, &why)) {
    read.reason = why.reason;
    return read;
  }
  read.loaded = true;
  for (const HLQValueAddress& address : addresses) {
    HLQReadValue value;
    XMLElement* element = HLQ_FindKey(doc, address.section, address.key, &why);
    const char* text = nullptr;
    if (element && address.attribute) {
      text = element->Attribute(address.attribute);
      if (!text) why = missingAttribute(address.section, address.key, address.attribute);
    } else if (element) {
      text = element->GetText();
      if (!text) text = "";
    }
    if (text)
      value.text = text;
    else
      value.reason = why.reason;
    read.values.push_back(std::move(value));
  }
  return read;
}

namespace {

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

std::vector<WriteResult> HLQ_HelperStore(const char* file,
                                         const std::vector<HLQValueToStore>& values) {
  std::string problem;
  const HLQHelperCalls* calls = HLQ_HelperCalls(&problem);
  if (calls) return calls->writeValues(file, values, HLQ_HelperInteractive());
  return std::vector<WriteResult>(values.size(), WriteResult{WriteStatus::NotAuthorized, problem});
}

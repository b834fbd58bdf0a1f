#include "config/xml_config.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "config/file_lock.h"
#include "config/safe_save.h"
#include "config/xml_load.h"
#include "config/xml_same_document.h"
#include "config/xml_values.h"

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace {

WriteResult notStored(WriteStatus status, std::string reason) {
  return WriteResult{status, std::move(reason)};
}

// Every access parses the file afresh, with entities decoded and the text
// of elements kept as it is.
struct FreshDocument : XMLDocument {
  FreshDocument() : XMLDocument(true, tinyxml2::PRESERVE_WHITESPACE) {}
};

bool loadDocument(XMLDocument& doc, const char* file, WriteResult* why) {
  std::string reason;
  if (HLQ_LoadConfigDocument(doc, file, &reason)) return true;
  *why = notStored(WriteStatus::FileNotLoaded, reason);
  return false;
}

// The first child element of `parent` called `name`; a missing name never
// matches (the library would take it for "any name").
XMLElement* firstNamed(XMLElement* parent, const char* name) {
  return parent && name ? parent->FirstChildElement(name) : nullptr;
}

WriteResult missingElement(const std::string& path) {
  // TRANSLATORS: %s is an element path of the configuration file, such as VCP/Ports_Configuration.
  g_autofree gchar* reason = g_strdup_printf(_("the element %s is missing"), path.c_str());
  return notStored(WriteStatus::ElementMissing, reason);
}

// Finds VCP/<section>/<key> in a loaded document; nullptr with the reason
// when anything on the way is missing.
XMLElement* findKey(XMLDocument& doc, const char* section, const char* key, WriteResult* why) {
  XMLElement* root = doc.FirstChildElement("VCP");
  if (!root) return *why = missingElement("VCP"), nullptr;
  std::string path = std::string("VCP/") + (section ? section : "");
  XMLElement* sectionElement = firstNamed(root, section);
  if (!sectionElement) return *why = missingElement(path), nullptr;
  path += std::string("/") + (key ? key : "");
  XMLElement* keyElement = firstNamed(sectionElement, key);
  if (!keyElement) return *why = missingElement(path), nullptr;
  return keyElement;
}

// Loads the file and finds VCP/<section>/<key>; nullptr with the reason
// when anything on the way is missing.
XMLElement* locateKey(XMLDocument& doc, const char* file, const char* section, const char* key,
                      WriteResult* why) {
  if (!loadDocument(doc, file, why)) return nullptr;
  return findKey(doc, section, key, why);
}

// Why a value may not be written, or nullopt when it may.
std::optional<WriteResult> refusal(const char* value) {
  if (!value) return notStored(WriteStatus::TextNotAllowed, _("no value was given"));
  if (!g_utf8_validate(value, -1, nullptr))
    return notStored(WriteStatus::TextNotAllowed, _("the value is not valid UTF-8 text"));
  if (std::strchr(value, '\r'))
    return notStored(WriteStatus::TextNotAllowed,
                     _("the value holds a carriage return, which the file cannot keep"));
  if (!HLQ_IsXmlSafeText(value))
    return notStored(WriteStatus::TextNotAllowed,
                     _("the value holds a character that XML does not allow"));
  return std::nullopt;
}

// What one write put into the document: the value that the key's text, or
// its attribute when one is named, must read back.
struct Written {
  const char* section;
  const char* key;
  const char* attribute;
  const char* value;
};

// White space alone as an element's text reads back as no text at all.
bool readsBack(XMLDocument& reloaded, const Written& written) {
  XMLElement* key = firstNamed(firstNamed(reloaded.FirstChildElement("VCP"), written.section),
                               written.key);
  if (!key) return false;
  if (written.attribute) {
    const char* value = key->Attribute(written.attribute);
    return value && std::strcmp(value, written.value) == 0;
  }
  const char* text = key->GetText();
  const char* expected = HLQ_ReadsBackAsEmpty(written.value) ? "" : written.value;
  return std::strcmp(text ? text : "", expected) == 0;
}

// The library accepts some malformed files (it stops silently at a stray end
// tag, for one) and prints some content in forms that do not load back. So
// the new content is printed first and saved only when it loads back as the
// same document holding every written value: a write never leaves the file
// unreadable or changes anything else in it.
WriteResult saveDocument(XMLDocument& doc, const char* file, const std::vector<Written>& written) {
  tinyxml2::XMLPrinter printer(nullptr, false);
  doc.Print(&printer);
  const size_t size = printer.CStrSize() - 1;  // without the terminating NUL
  FreshDocument reloaded;
  bool same = reloaded.Parse(printer.CStr(), size) == tinyxml2::XML_SUCCESS &&
              HLQ_SameDocument(doc, reloaded);
  for (const Written& value : written) same = same && readsBack(reloaded, value);
  if (!same)
    return notStored(WriteStatus::SaveFailed,
                     _("the file holds content that would not read back as saved; "
                       "it was left unchanged"));
  std::string error;
  auto print = [&printer, size](FILE* out) {
    return std::fwrite(printer.CStr(), 1, size, out) == size;
  };
  if (!HLQ_ReplaceFileSafely(file, print, &error)) {
    g_autofree gchar* reason = g_strdup_printf(_("the file could not be saved: %s"), error.c_str());
    return notStored(WriteStatus::SaveFailed, reason);
  }
  return WriteResult{};
}

// An attribute name that the parser reads back: a saved name with any other
// character would leave the whole file unreadable.
bool isXmlName(const char* name) {
  if (!tinyxml2::XMLUtil::IsNameStartChar(static_cast<unsigned char>(*name))) return false;
  for (const char* p = name + 1; *p; ++p)
    if (!tinyxml2::XMLUtil::IsNameChar(static_cast<unsigned char>(*p))) return false;
  return true;
}

// Changes the text that a read returns: the first child after any comments,
// when it is text. Otherwise the new text goes in as the first child.
// Text that was a CDATA section is written as plain text, escaped, since
// "]]>" in it would end the section early.
void setText(XMLElement* element, const char* text) {
  tinyxml2::XMLNode* node = element->FirstChild();
  while (node && node->ToComment()) node = node->NextSibling();
  tinyxml2::XMLText* current = node ? node->ToText() : nullptr;
  if (current) {
    current->SetValue(text);
    current->SetCData(false);
  } else {
    element->SetText(text);
  }
}

// XML allows a carriage return too, but the parser reads it as a line feed.
bool isXmlChar(gunichar c) {
  return c == 0x9 || c == 0xA || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace

std::optional<std::string> CXMLModuleConfig::ReadXMLNodeValue(const char* file,
                                                              const char* section,
                                                              const char* key) {
  FreshDocument doc;
  WriteResult why;
  XMLElement* element = locateKey(doc, file, section, key, &why);
  if (!element) return std::nullopt;
  const char* text = element->GetText();
  return std::string(text ? text : "");
}

WriteResult CXMLModuleConfig::WriteXMLNodeValue(const char* file, const char* section,
                                                const char* key, const char* text) {
  if (auto refused = refusal(text)) return *refused;
  HLQFileLock lock(file);
  if (!lock.held()) return notStored(WriteStatus::SaveFailed, lock.problem());
  FreshDocument doc;
  WriteResult why;
  XMLElement* element = locateKey(doc, file, section, key, &why);
  if (!element) return why;
  setText(element, text);
  return saveDocument(doc, file, {{section, key, nullptr, text}});
}

std::optional<std::string> CXMLModuleConfig::ReadXMLNodeProperty(const char* file,
                                                                 const char* section,
                                                                 const char* key,
                                                                 const char* attribute) {
  FreshDocument doc;
  WriteResult why;
  XMLElement* element = locateKey(doc, file, section, key, &why);
  const char* value = element && attribute ? element->Attribute(attribute) : nullptr;
  if (!value) return std::nullopt;
  return std::string(value);
}

WriteResult CXMLModuleConfig::WriteXMLNodeProperty(const char* file, const char* section,
                                                   const char* key, const char* attribute,
                                                   const char* value) {
  if (auto refused = refusal(value)) return *refused;
  if (!attribute || !*attribute)
    return notStored(WriteStatus::ElementMissing, _("no attribute was named"));
  if (!isXmlName(attribute)) {
    g_autofree gchar* reason =
        g_strdup_printf(_("\"%s\" is not a valid attribute name"), attribute);
    return notStored(WriteStatus::TextNotAllowed, reason);
  }
  HLQFileLock lock(file);
  if (!lock.held()) return notStored(WriteStatus::SaveFailed, lock.problem());
  FreshDocument doc;
  WriteResult why;
  XMLElement* element = locateKey(doc, file, section, key, &why);
  if (!element) return why;
  element->SetAttribute(attribute, value);
  return saveDocument(doc, file, {{section, key, attribute, value}});
}

bool HLQ_ReadsBackAsEmpty(const char* text) {
  for (; text && *text; ++text)
    if (!tinyxml2::XMLUtil::IsWhiteSpace(*text)) return false;
  return true;
}

bool HLQ_IsXmlSafeText(const char* text) {
  if (!text || !g_utf8_validate(text, -1, nullptr)) return false;
  for (const char* p = text; *p; p = g_utf8_next_char(p))
    if (!isXmlChar(g_utf8_get_char(p))) return false;
  return true;
}

namespace {

// Why one value of a batch may not be written, as the single writes check it.
std::optional<WriteResult> refusalOfValue(const HLQValueToStore& v) {
  if (auto refused = refusal(v.value.c_str())) return refused;
  if (v.attribute && !isXmlName(v.attribute)) {
    g_autofree gchar* reason =
        g_strdup_printf(_("\"%s\" is not a valid attribute name"), v.attribute);
    return notStored(WriteStatus::TextNotAllowed, reason);
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
  return notStored(WriteStatus::ElementMissing, reason);
}

}  // namespace

std::vector<WriteResult> HLQ_StoreValuesInOneSave(const char* file,
                                                  const std::vector<HLQValueToStore>& values) {
  std::vector<WriteResult> results(values.size());
  HLQFileLock lock(file);
  FreshDocument doc;
  WriteResult why;
  if (!lock.held()) why = notStored(WriteStatus::SaveFailed, lock.problem());
  if (!lock.held() || !loadDocument(doc, file, &why)) {
    std::fill(results.begin(), results.end(), why);
    return results;
  }
  std::vector<Written> written;
  std::vector<size_t> changed;
  for (size_t i = 0; i < values.size(); ++i) {
    const HLQValueToStore& v = values[i];
    if (auto refused = refusalOfValue(v)) {
      results[i] = *refused;
      continue;
    }
    XMLElement* element = findKey(doc, v.section, v.key, &results[i]);
    if (!element) continue;
    if (alreadyHolds(element, v)) {
      results[i] = WriteResult{WriteStatus::AlreadyStored, ""};
      continue;
    }
    if (v.attribute)
      element->SetAttribute(v.attribute, v.value.c_str());
    else
      setText(element, v.value.c_str());
    written.push_back({v.section, v.key, v.attribute, v.value.c_str()});
    changed.push_back(i);
  }
  if (written.empty()) return results;  // nothing to change: the file is not touched
  const WriteResult saved = saveDocument(doc, file, written);
  for (size_t i : changed) results[i] = saved;
  return results;
}

HLQFileValues HLQ_ReadValuesOnce(const char* file, const std::vector<HLQValueAddress>& addresses) {
  HLQFileValues read;
  FreshDocument doc;
  WriteResult why;
  if (!loadDocument(doc, file, &why)) {
    read.reason = why.reason;
    return read;
  }
  read.loaded = true;
  for (const HLQValueAddress& address : addresses) {
    HLQReadValue value;
    XMLElement* element = findKey(doc, address.section, address.key, &why);
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

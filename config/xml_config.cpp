#include "config/xml_config.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <tinyxml2.h>

#include "config/file_lock.h"
#include "config/xml_document.h"

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace {

// Loads the file and finds VCP/<section>/<key>; nullptr with the reason
// when anything on the way is missing.
XMLElement* locateKey(XMLDocument& doc, const char* file, const char* section, const char* key,
                      WriteResult* why) {
  if (!HLQ_LoadDocument(doc, file, why)) return nullptr;
  return HLQ_FindKey(doc, section, key, why);
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
  HLQFreshDocument doc;
  WriteResult why;
  XMLElement* element = locateKey(doc, file, section, key, &why);
  if (!element) return std::nullopt;
  const char* text = element->GetText();
  return std::string(text ? text : "");
}

WriteResult CXMLModuleConfig::WriteXMLNodeValue(const char* file, const char* section,
                                                const char* key, const char* text) {
  if (auto refused = HLQ_UnstorableText(text)) return *refused;
  HLQFileLock lock(file);
  if (!lock.held()) return HLQ_NotStored(WriteStatus::SaveFailed, lock.problem());
  HLQFreshDocument doc;
  WriteResult why;
  XMLElement* element = locateKey(doc, file, section, key, &why);
  if (!element) return why;
  HLQ_SetText(element, text);
  return HLQ_SaveDocument(doc, file, {{section, key, nullptr, text}});
}

std::optional<std::string> CXMLModuleConfig::ReadXMLNodeProperty(const char* file,
                                                                 const char* section,
                                                                 const char* key,
                                                                 const char* attribute) {
  HLQFreshDocument doc;
  WriteResult why;
  XMLElement* element = locateKey(doc, file, section, key, &why);
  const char* value = element && attribute ? element->Attribute(attribute) : nullptr;
  if (!value) return std::nullopt;
  return std::string(value);
}

WriteResult CXMLModuleConfig::WriteXMLNodeProperty(const char* file, const char* section,
                                                   const char* key, const char* attribute,
                                                   const char* value) {
  if (auto refused = HLQ_UnstorableText(value)) return *refused;
  if (!attribute || !*attribute)
    return HLQ_NotStored(WriteStatus::ElementMissing, _("no attribute was named"));
  if (!HLQ_IsXmlName(attribute)) {
    g_autofree gchar* reason =
        g_strdup_printf(_("\"%s\" is not a valid attribute name"), attribute);
    return HLQ_NotStored(WriteStatus::TextNotAllowed, reason);
  }
  HLQFileLock lock(file);
  if (!lock.held()) return HLQ_NotStored(WriteStatus::SaveFailed, lock.problem());
  HLQFreshDocument doc;
  WriteResult why;
  XMLElement* element = locateKey(doc, file, section, key, &why);
  if (!element) return why;
  element->SetAttribute(attribute, value);
  return HLQ_SaveDocument(doc, file, {{section, key, attribute, value}});
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




#include "config/xml_document.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <cstring>

#include "config/safe_save.h"
#include "config/xml_config.h"
#include "config/xml_load.h"
#include "config/xml_same_document.h"

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace {

// The first child element of `parent` called `name`; a missing name never
// matches (the library would take it for "any name").
XMLElement* firstNamed(XMLElement* parent, const char* name) {
  return parent && name ? parent->FirstChildElement(name) : nullptr;
}

WriteResult missingElement(const std::string& path) {
  // TRANSLATORS: %s is an element path of the configuration file, such as VCP/Ports_Configuration.
  g_autofree gchar* reason = g_strdup_printf(_("the element %s is missing"), path.c_str());
  return HLQ_NotStored(WriteStatus::ElementMissing, reason);
}

// White space alone as an element's text reads back as no text at all.
bool readsBack(XMLDocument& reloaded, const HLQWritten& written) {
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

}  // namespace

bool HLQ_LoadDocument(XMLDocument& doc, const char* file, WriteResult* why) {
  std::string reason;
  if (HLQ_LoadConfigDocument(doc, file, &reason)) return true;
  *why = HLQ_NotStored(WriteStatus::FileNotLoaded, reason);
  return false;
}

XMLElement* HLQ_FindKey(XMLDocument& doc, const char* section, const char* key, WriteResult* why) {
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

std::optional<WriteResult> HLQ_UnstorableText(const char* value) {
  if (!value) return HLQ_NotStored(WriteStatus::TextNotAllowed, _("no value was given"));
  if (!g_utf8_validate(value, -1, nullptr))
    return HLQ_NotStored(WriteStatus::TextNotAllowed, _("the value is not valid UTF-8 text"));
  if (std::strchr(value, '\r'))
    return HLQ_NotStored(WriteStatus::TextNotAllowed,
                         _("the value holds a carriage return, which the file cannot keep"));
  if (!HLQ_IsXmlSafeText(value))
    return HLQ_NotStored(WriteStatus::TextNotAllowed,
                         _("the value holds a character that XML does not allow"));
  return std::nullopt;
}

// The library accepts some malformed files (it stops silently at a stray end
// tag, for one) and prints some content in forms that do not load back. So
// the new content is printed first and saved only when it loads back as the
// same document holding every written value: a write never leaves the file
// unreadable or changes anything else in it.
WriteResult HLQ_SaveDocument(XMLDocument& doc, const char* file,
                             const std::vector<HLQWritten>& written) {
  tinyxml2::XMLPrinter printer(nullptr, false);
  doc.Print(&printer);
  const size_t size = printer.CStrSize() - 1;  // without the terminating NUL
  HLQFreshDocument reloaded;
  bool same = reloaded.Parse(printer.CStr(), size) == tinyxml2::XML_SUCCESS &&
              HLQ_SameDocument(doc, reloaded);
  for (const HLQWritten& value : written) same = same && readsBack(reloaded, value);
  if (!same)
    return HLQ_NotStored(WriteStatus::SaveFailed,
                         _("the file holds content that would not read back as saved; "
                           "it was left unchanged"));
  std::string err;
  auto print = [&printer, size](FILE* out) {
    return std::fwrite(printer.CStr(), 1, size, out) == size;
  };
  if (!HLQ_ReplaceFileSafely(file, print, &err)) {
    g_autofree gchar* reason = g_strdup_printf(_("the file could not be saved: %s"), err.c_str());
    return HLQ_NotStored(WriteStatus::SaveFailed, reason);
  }
  return WriteResult{};
}

// An attribute name that the parser reads back: a saved name with any other
// character would leave the whole file unreadable.
bool HLQ_IsXmlName(const char* name) {
  if (!tinyxml2::XMLUtil::IsNameStartChar(static_cast<unsigned char>(*name))) return false;
  for (const char* p = name + 1; *p; ++p)
    if (!tinyxml2::XMLUtil::IsNameChar(static_cast<unsigned char>(*p))) return false;
  return true;
}

// Changes the text that a read returns: the first child after any comments,
// when it is text. Otherwise the new text goes in as the first child.
// Text that was a CDATA section is written as plain text, escaped, since
// "]]>" in it would end the section early.
void HLQ_SetText(XMLElement* element, const char* text) {
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

#include "tests/support/xml_file.h"

#include <gtest/gtest.h>

namespace {
tinyxml2::XMLElement* sectionOf(tinyxml2::XMLElement* vcp, const char* section) {
  return vcp ? vcp->FirstChildElement(section) : nullptr;
}

tinyxml2::XMLElement* elementOf(tinyxml2::XMLElement* vcp, const char* section, const char* key) {
  tinyxml2::XMLElement* parent = sectionOf(vcp, section);
  return parent ? parent->FirstChildElement(key) : nullptr;
}

tinyxml2::XMLElement* rootOf(tinyxml2::XMLDocument& doc, const std::string& file) {
  EXPECT_EQ(doc.LoadFile(file.c_str()), tinyxml2::XML_SUCCESS) << file;
  tinyxml2::XMLElement* vcp = doc.FirstChildElement("VCP");
  EXPECT_NE(vcp, nullptr) << "no VCP root in " << file;
  return vcp;
}
}  // namespace

std::optional<std::string> HLQTest_StoredText(const std::string& file, const char* section,
                                              const char* key) {
  tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
  const tinyxml2::XMLElement* element = elementOf(rootOf(doc, file), section, key);
  if (!element) return std::nullopt;
  return element->GetText() ? element->GetText() : "";
}

std::optional<std::string> HLQTest_StoredAttribute(const std::string& file, const char* section,
                                                   const char* key, const char* attribute) {
  tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
  const tinyxml2::XMLElement* element = elementOf(rootOf(doc, file), section, key);
  const char* value = element ? element->Attribute(attribute) : nullptr;
  if (!value) return std::nullopt;
  return std::string(value);
}

void HLQTest_EditXml(const std::string& file,
                     const std::function<void(tinyxml2::XMLElement* vcp)>& edit) {
  tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
  tinyxml2::XMLElement* vcp = rootOf(doc, file);
  if (!vcp) return;
  edit(vcp);
  EXPECT_EQ(doc.SaveFile(file.c_str()), tinyxml2::XML_SUCCESS) << file;
}

void HLQTest_StoreText(const std::string& file, const char* section, const char* key,
                       const char* text) {
  HLQTest_EditXml(file, [&](tinyxml2::XMLElement* vcp) {
    tinyxml2::XMLElement* element = elementOf(vcp, section, key);
    if (!element) {
      ADD_FAILURE() << "no " << section << "/" << key << " in " << file;
      return;
    }
    element->SetText(text);
  });
}

void HLQTest_RemoveElement(const std::string& file, const char* section, const char* key) {
  HLQTest_EditXml(file, [&](tinyxml2::XMLElement* vcp) {
    tinyxml2::XMLElement* element = key ? elementOf(vcp, section, key) : sectionOf(vcp, section);
    if (!element) {
      ADD_FAILURE() << "no " << section << "/" << (key ? key : "") << " in " << file;
      return;
    }
    element->Parent()->DeleteChild(element);
  });
}

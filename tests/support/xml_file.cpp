#include "tests/support/xml_file.h"

#include <gtest/gtest.h>

namespace {
tinyxml2::XMLElement* rootOf(tinyxml2::XMLDocument& doc, const std::string& file) {
  EXPECT_EQ(doc.LoadFile(file.c_str()), tinyxml2::XML_SUCCESS) << file;
  tinyxml2::XMLElement* vcp = doc.FirstChildElement("VCP");
  EXPECT_NE(vcp, nullptr) << "no VCP root in " << file;
  return vcp;
}

// VCP/section/key, or the section itself for a null key.
tinyxml2::XMLElement* find(tinyxml2::XMLElement* vcp, const char* section, const char* key) {
  tinyxml2::XMLElement* parent = vcp ? vcp->FirstChildElement(section) : nullptr;
  return parent && key ? parent->FirstChildElement(key) : parent;
}

// The same for an element that must exist.
tinyxml2::XMLElement* required(tinyxml2::XMLElement* vcp, const char* section, const char* key) {
  tinyxml2::XMLElement* element = find(vcp, section, key);
  if (!element) ADD_FAILURE() << "no " << section << "/" << (key ? key : "");
  return element;
}
}  // namespace

std::optional<std::string> HLQTest_StoredText(const std::string& file, const char* section,
                                              const char* key) {
  tinyxml2::XMLDocument doc;
  const tinyxml2::XMLElement* element = find(rootOf(doc, file), section, key);
  if (!element) return std::nullopt;
  return element->GetText() ? element->GetText() : "";
}

std::optional<std::string> HLQTest_StoredAttribute(const std::string& file, const char* section,
                                                   const char* key, const char* attribute) {
  tinyxml2::XMLDocument doc;
  const tinyxml2::XMLElement* element = find(rootOf(doc, file), section, key);
  const char* value = element ? element->Attribute(attribute) : nullptr;
  if (!value) return std::nullopt;
  return std::string(value);
}

void HLQTest_EditXml(const std::string& file,
                     const std::function<void(tinyxml2::XMLElement* vcp)>& edit) {
  tinyxml2::XMLDocument doc;
  tinyxml2::XMLElement* vcp = rootOf(doc, file);
  if (!vcp) return;
  edit(vcp);
  EXPECT_EQ(doc.SaveFile(file.c_str()), tinyxml2::XML_SUCCESS) << file;
}

void HLQTest_StoreText(const std::string& file, const char* section, const char* key,
                       const char* text) {
  HLQTest_EditXml(file, [&](tinyxml2::XMLElement* vcp) {
    if (tinyxml2::XMLElement* element = required(vcp, section, key)) element->SetText(text);
  });
}

void HLQTest_RemoveElement(const std::string& file, const char* section, const char* key) {
  HLQTest_EditXml(file, [&](tinyxml2::XMLElement* vcp) {
    if (tinyxml2::XMLElement* element = required(vcp, section, key))
      element->Parent()->DeleteChild(element);
  });
}

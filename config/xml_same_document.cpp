#include "config/xml_same_document.h"

#include <cstring>

using tinyxml2::XMLAttribute;
using tinyxml2::XMLElement;
using tinyxml2::XMLNode;
using tinyxml2::XMLText;

namespace {

bool sameText(const char* a, const char* b) {
  return std::strcmp(a ? a : "", b ? b : "") == 0;
}

const XMLNode* keptFrom(const XMLNode* node) {
  while (node && HLQ_IsDroppedText(*node)) node = node->NextSibling();
  return node;
}

bool sameAttributes(const XMLElement& a, const XMLElement& b) {
  const XMLAttribute* x = a.FirstAttribute();
  const XMLAttribute* y = b.FirstAttribute();
  for (; x && y; x = x->Next(), y = y->Next())
    if (!sameText(x->Name(), y->Name()) || !sameText(x->Value(), y->Value())) return false;
  return !x && !y;
}

bool sameKind(const XMLNode& a, const XMLNode& b) {
  return !a.ToElement() == !b.ToElement() && !a.ToText() == !b.ToText() &&
         !a.ToComment() == !b.ToComment() && !a.ToDeclaration() == !b.ToDeclaration() &&
         !a.ToUnknown() == !b.ToUnknown();
}

bool sameNode(const XMLNode& a, const XMLNode& b) {
  if (!sameKind(a, b) || !sameText(a.Value(), b.Value())) return false;
  if (a.ToText() && a.ToText()->CData() != b.ToText()->CData()) return false;
  if (a.ToElement() && !sameAttributes(*a.ToElement(), *b.ToElement())) return false;
  return true;
}

}  // namespace

bool HLQ_IsDroppedText(const XMLNode& node) {
  const XMLText* text = node.ToText();
  if (!text || text->CData()) return false;
  for (const char* p = text->Value(); *p; ++p)
    if (!tinyxml2::XMLUtil::IsWhiteSpace(*p)) return false;
  return true;
}

// The depth is bounded by the parser's nesting limit.
bool HLQ_SameDocument(const XMLNode& a, const XMLNode& b) {
  const XMLNode* x = keptFrom(a.FirstChild());
  const XMLNode* y = keptFrom(b.FirstChild());
  for (; x && y; x = keptFrom(x->NextSibling()), y = keptFrom(y->NextSibling()))
    if (!sameNode(*x, *y) || !HLQ_SameDocument(*x, *y)) return false;
  return !x && !y;
}

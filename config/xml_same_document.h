// Compares two parsed XML documents node by node, so that a save can check
// that what it is about to write loads back as the document it holds.
#pragma once

#include <tinyxml2.h>

// True when both hold the same nodes in the same order: the same kinds,
// names, texts (and CDATA marks), comments and attributes (names, values
// and order). Text of white space alone that is not CDATA is left out of the
// comparison, since a load does not keep it.
bool HLQ_SameDocument(const tinyxml2::XMLNode& a, const tinyxml2::XMLNode& b);

// True for a text node that a load would not keep: white space alone, not
// in a CDATA section.
bool HLQ_IsDroppedText(const tinyxml2::XMLNode& node);

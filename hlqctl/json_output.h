// JSON output: values as scripts read them (booleans as true/false, texts
// as strings, a value that could not be read as null), one document per
// call, in UTF-8, never translated.
#pragma once

#include <nlohmann/json.hpp>

#include "model/page_values.h"

using HLQCtlJson = nlohmann::ordered_json;  // keys keep the pages' order

HLQCtlJson HLQCtl_JsonValue(const HLQShownValue& value);

// Prints `document` to standard output; text that is not UTF-8 is replaced.
void HLQCtl_PrintJson(const HLQCtlJson& document);

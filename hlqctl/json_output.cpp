#include "hlqctl/json_output.h"

#include <cstdio>

HLQCtlJson HLQCtl_JsonValue(const HLQShownValue& value) {
  switch (value.kind) {
    case HLQShownValue::Kind::Boolean: return value.on;
    case HLQShownValue::Kind::Text: return value.text;
    default: return nullptr;
  }
}

void HLQCtl_PrintJson(const HLQCtlJson& document) {
  const std::string text =
      document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  std::printf("%s\n", text.c_str());
}

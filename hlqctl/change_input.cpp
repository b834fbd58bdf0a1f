#include "hlqctl/change_input.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>
#include <set>

#include "base/owned_text.h"
#include "hlqctl/table.h"

namespace {

using Json = nlohmann::json;

bool add(const std::string& key, const HLQGivenValue& given, std::set<std::string>* seen,
         std::vector<HLQValueRequest>* requests, std::string* problem) {
  const HLQStoredValue* value = HLQ_FindStoredValueNamed(key);
  if (!value) {
    // TRANSLATORS: %s is the key given.
    *problem = HLQ_OwnedText(g_strdup_printf(_("unknown key %s (hlqctl keys lists them)"),
                                     HLQCtl_Printable(key).c_str()));
    return false;
  }
  if (!seen->insert(key).second) {
    // TRANSLATORS: %s is the key given twice.
    *problem = HLQ_OwnedText(g_strdup_printf(_("the key %s is given more than once"), key.c_str()));
    return false;
  }
  requests->push_back({value, given});
  return true;
}

// A JSON value as given: booleans, strings and integers are what the pages'
// values take; anything else is kept as its JSON text, which no value takes.
HLQGivenValue givenOf(const Json& value) {
  HLQGivenValue given;
  if (value.is_boolean()) {
    given.kind = HLQGivenValue::Kind::Boolean;
    given.on = value.get<bool>();
  } else if (value.is_string()) {
    given.text = value.get<std::string>();
  } else {
    given.kind = value.is_number_integer() ? HLQGivenValue::Kind::Number
                                           : HLQGivenValue::Kind::Other;
    given.text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  return given;
}

}  // namespace

bool HLQCtl_RequestsOfOperands(const std::vector<std::string>& operands,
                               std::vector<HLQValueRequest>* requests, std::string* problem) {
  std::set<std::string> seen;
  for (const std::string& operand : operands) {
    const size_t equals = operand.find('=');
    if (equals == std::string::npos) {
      // TRANSLATORS: %s is the argument given.
      *problem = HLQ_OwnedText(g_strdup_printf(_("%s is not KEY=VALUE"),
                                       HLQCtl_Printable(operand).c_str()));
      return false;
    }
    HLQGivenValue given;
    given.text = operand.substr(equals + 1);
    if (!add(operand.substr(0, equals), given, &seen, requests, problem)) return false;
  }
  return true;
}

bool HLQCtl_RequestsOfJson(const std::string& document, std::vector<HLQValueRequest>* requests,
                           std::string* problem) {
  // Keys are collected in the order given, with a repeated key refused; the
  // library's objects keep only one of them.
  std::vector<std::string> keys;
  std::set<std::string> repeated;
  Json::parser_callback_t collectKeys = [&](int depth, Json::parse_event_t event, Json& parsed) {
    if (depth == 1 && event == Json::parse_event_t::key) {
      const std::string key = parsed.get<std::string>();
      if (std::find(keys.begin(), keys.end(), key) != keys.end()) repeated.insert(key);
      keys.push_back(key);
    }
    return true;
  };
  Json object;
  try {
    object = Json::parse(document, collectKeys);
  } catch (const Json::parse_error& error) {
    // TRANSLATORS: %s is the parser's reason, in English.
    *problem = HLQ_OwnedText(g_strdup_printf(_("the input is not JSON: %s"), error.what()));
    return false;
  }
  if (!object.is_object()) return *problem = _("the input is not one JSON object"), false;
  if (!repeated.empty()) {
    *problem = HLQ_OwnedText(g_strdup_printf(_("the key %s is given more than once"),
                                     HLQCtl_Printable(*repeated.begin()).c_str()));
    return false;
  }
  std::set<std::string> seen;
  for (const std::string& key : keys) {
    const Json& value = object.at(key);
    if (value.is_null() && HLQ_FindStoredValueNamed(key)) continue;
    if (!add(key, givenOf(value), &seen, requests, problem)) return false;
  }
  return true;
}

bool HLQCtl_ReadInput(const std::string& name, std::string* contents, std::string* problem) {
  if (name != "-") {
    gchar* text = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    if (!g_file_get_contents(name.c_str(), &text, &length, &error)) {
      *problem = error->message;
      g_error_free(error);
      return false;
    }
    contents->assign(text, length);
    g_free(text);
    return true;
  }
  char buffer[4096];
  ssize_t got;
  while ((got = read(STDIN_FILENO, buffer, sizeof buffer)) > 0)
    contents->append(buffer, static_cast<size_t>(got));
  if (got < 0) return *problem = g_strerror(errno), false;
  return true;
}

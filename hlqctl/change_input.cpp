#include "hlqctl/change_input.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>
#include <set>

#include "base/failed.h"
#include "base/owned_text.h"
#include "hlqctl/table.h"
#include "hlqctl/verbs.h"

namespace {

using Json = nlohmann::json;

bool add(const std::string& key, const HLQGivenValue& given, std::set<std::string>* seen,
         std::vector<HLQValueRequest>* requests, std::string* err) {
  const HLQStoredValue* value = HLQ_FindStoredValueNamed(key);
  if (!value) return HLQ_Failed(err, HLQCtl_UnknownKey(key));
  if (!seen->insert(key).second) {
    // TRANSLATORS: %s is the key given twice.
    *err = HLQ_OwnedText(g_strdup_printf(_("the key %s is given more than once"), key.c_str()));
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

// Where the parser stopped, as line and column (counted from 1) of the byte
// after the last one it took.
std::string notJson(const std::string& document, size_t byte) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i + 1 < byte && i < document.size(); ++i) {
    if (document[i] == '\n') ++line, column = 1;
    else ++column;
  }
  if (byte > document.size())
    return _("the input is not JSON: it ends before the object is closed");
  // TRANSLATORS: a line and a column of the input.
  return HLQ_OwnedText(g_strdup_printf(_("the input is not JSON: something else than JSON at line %zu, "
                                 "column %zu"),
                               line, column));
}

// An object of key to value needs two levels; a deeply nested input is
// refused before it is parsed, so that its depth costs nothing.
bool shallowEnough(const std::string& document, std::string* err) {
  constexpr int kDeepest = 8;
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < document.size(); ++i) {
    const char c = document[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kDeepest) {
        // TRANSLATORS: %d is the deepest nesting taken.
        *err = HLQ_OwnedText(g_strdup_printf(_("the input is nested more than %d levels deep; it "
                                           "must be one JSON object of key to value"),
                                         kDeepest));
        return false;
      }
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

// The most that set's input may hold: a whole show --json is about 2 KiB.
constexpr size_t kLargestInput = 1024 * 1024;

}  // namespace

bool HLQCtl_RequestsOfOperands(const std::vector<std::string>& operands,
                               std::vector<HLQValueRequest>* requests, std::string* err) {
  std::set<std::string> seen;
  for (const std::string& operand : operands) {
    const size_t equals = operand.find('=');
    if (equals == std::string::npos) {
      // TRANSLATORS: %s is the argument given.
      *err = HLQ_OwnedText(g_strdup_printf(_("%s is not KEY=VALUE"),
                                       HLQCtl_Printable(operand).c_str()));
      return false;
    }
    HLQGivenValue given;
    given.text = operand.substr(equals + 1);
    if (!add(operand.substr(0, equals), given, &seen, requests, err)) return false;
  }
  return true;
}

bool HLQCtl_RequestsOfJson(const std::string& document, std::vector<HLQValueRequest>* requests,
                           std::string* err) {
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
  if (!shallowEnough(document, err)) return false;
  Json object;
  try {
    object = Json::parse(document, collectKeys);
  } catch (const Json::parse_error& error) {
    *err = notJson(document, error.byte);
    return false;
  }
  if (!object.is_object()) return HLQ_Failed(err, _("the input is not one JSON object"));
  if (!repeated.empty()) {
    *err = HLQ_OwnedText(g_strdup_printf(_("the key %s is given more than once"),
                                     HLQCtl_Printable(*repeated.begin()).c_str()));
    return false;
  }
  std::set<std::string> seen;
  for (const std::string& key : keys) {
    const Json& value = object.at(key);
    if (value.is_null() && HLQ_FindStoredValueNamed(key)) continue;
    if (!add(key, givenOf(value), &seen, requests, err)) return false;
  }
  return true;
}

bool HLQCtl_ReadInput(const std::string& name, std::string* contents, std::string* err) {
  const int fd = name == "-" ? STDIN_FILENO : open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // TRANSLATORS: the file given, then the system's reason.
    *err = HLQ_OwnedText(g_strdup_printf(_("%s cannot be read: %s"), HLQCtl_Printable(name).c_str(),
                                     g_strerror(errno)));
    return false;
  }
  char buffer[4096];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0 && contents->size() <= kLargestInput)
    contents->append(buffer, static_cast<size_t>(got));
  const int error = errno;
  if (fd != STDIN_FILENO) close(fd);
  if (got < 0) {
    *err = HLQ_OwnedText(g_strdup_printf(_("%s cannot be read: %s"),
                                     name == "-" ? _("standard input") : HLQCtl_Printable(name).c_str(),
                                     g_strerror(error)));
    return false;
  }
  if (contents->size() > kLargestInput)
    return HLQ_Failed(err, _("the input is larger than 1 MiB; it must be one JSON object of key to "
                        "value, as show --json prints it"));
  return true;
}

#include "model/value_changes.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <cstring>

#include "base/owned_text.h"
#include "config/config_layout.h"
#include "config/xml_config.h"
#include "devices/port_mapping.h"
#include "model/page_values.h"

namespace {

using Kind = HLQGivenValue::Kind;

std::string quoted(const HLQGivenValue& given) {
  if (given.kind == Kind::Boolean) return given.on ? "true" : "false";
  return HLQ_QuotedText(given.text.c_str());
}

constexpr const char* kBooleanWords[][2] = {
    {"true", "false"}, {"yes", "no"}, {"on", "off"}, {"1", "0"}};

bool parseBoolean(const HLQGivenValue& given, bool* on) {
  if (given.kind == Kind::Boolean) return *on = given.on, true;
  for (const auto& words : kBooleanWords)
    for (int i = 0; i < 2; ++i)
      if (g_ascii_strcasecmp(given.text.c_str(), words[i]) == 0) return *on = i == 0, true;
  return false;
}

// A text, or a JSON integer taken as the name its digits spell (a code
// page named "850", say): names are never read as positions.
bool isName(const HLQGivenValue& given) {
  return given.kind == Kind::Text || given.kind == Kind::Number;
}

// A position only in a form no name has: "#" and the digits ("#5").
bool explicitPosition(const HLQGivenValue& given, std::string* digits) {
  if (given.kind != Kind::Text || given.text.size() < 2 || given.text[0] != '#') return false;
  *digits = given.text.substr(1);
  return true;
}

std::string listed(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

// The outcome of one value's conversion: the stored text, or why not.
struct Converted {
  std::string text;
  std::string refused;
};

Converted refusedAs(std::string reason) { return {"", std::move(reason)}; }

Converted checked(const HLQStoredValue& value, const std::string& text) {
  Converted converted{text, ""};
  HLQ_CheckStoredText(value, text.c_str(), &converted.refused);
  return converted;
}

Converted textOnly(const HLQStoredValue& value, const HLQGivenValue& given,
                   std::string (*toStore)(const HLQStoredValue&, const std::string&)) {
  if (given.kind != Kind::Text)
    // TRANSLATORS: %s is the value given (a JSON boolean or number).
    return refusedAs(HLQ_OwnedText(g_strdup_printf(_("this value is a text (a JSON string), not %s"),
                                           quoted(given).c_str())));
  return checked(value, toStore(value, given.text));
}

std::string unchanged(const HLQStoredValue&, const std::string& text) { return text; }

// A port by "none", its device path or its short name ("ttyS11"); a bare
// number names no port.
Converted port(const HLQStoredValue& value, const HLQGivenValue& given) {
  if (!isName(given)) return textOnly(value, given, unchanged);
  if (g_ascii_strcasecmp(given.text.c_str(), "none") == 0) return checked(value, HLQ_NO_PORT_TEXT);
  for (const char* const* path = value.choices; path && *path; ++path)
    if (given.text == *path || "/dev/" + given.text == *path) return checked(value, *path);
  return checked(value, given.text);
}

Converted boolean(const HLQStoredValue& value, const HLQGivenValue& given) {
  bool on = false;
  if (!parseBoolean(given, &on))
    // TRANSLATORS: %s is the value given.
    return refusedAs(HLQ_OwnedText(g_strdup_printf(
        _("%s is not a yes or no (true/false, yes/no, on/off or 1/0)"), quoted(given).c_str())));
  return checked(value, value.rule == HLQRuleKind::LoggingBool ? HLQ_LoggingBoolText(on)
                                                               : HLQ_DeviceBoolText(on));
}

// A choice of `names` by its name, or by its position in the explicit form
// "#N".
Converted choice(const HLQStoredValue& value, const HLQGivenValue& given,
                 const std::vector<std::string>& names) {
  if (names.empty())
    return refusedAs(_("the code page list is empty (the printer's own list could not be "
                       "read), so no code page can be chosen now"));
  const int count = static_cast<int>(names.size());
  std::string refused;
  if (given.kind == Kind::Position)
    return HLQ_CheckPosition(given.text.c_str(), count, &refused) ? checked(value, given.text)
                                                                 : refusedAs(refused);
  if (isName(given))
    for (int i = 0; i < count; ++i)
      if (g_ascii_strcasecmp(given.text.c_str(), names[static_cast<size_t>(i)].c_str()) == 0)
        return checked(value, HLQ_NumberText(i));
  std::string digits;
  if (explicitPosition(given, &digits)) {
    if (HLQ_CheckPosition(digits.c_str(), count, &refused) && digits != "-1")
      return checked(value, digits);
  }
  // TRANSLATORS: the value given; the names of the list; the last position of the list.
  return refusedAs(HLQ_OwnedText(g_strdup_printf(_("%s is not in the list (%s); a position is given as "
                                           "#0 to #%d"),
                                         quoted(given).c_str(), listed(names).c_str(),
                                         count - 1)));
}

std::vector<std::string> namesOf(const HLQStoredValue& value) {
  std::vector<std::string> names;
  for (const char* const* name = value.choices; name && *name; ++name) names.emplace_back(*name);
  return names;
}

// Any value but a wrapper's and the code page.
Converted convert(const HLQStoredValue& value, const HLQGivenValue& given) {
  switch (value.rule) {
    case HLQRuleKind::Port: return port(value, given);
    case HLQRuleKind::DeviceBool:
    case HLQRuleKind::LoggingBool: return boolean(value, given);
    case HLQRuleKind::Position: return choice(value, given, namesOf(value));
    case HLQRuleKind::Sentinel: return textOnly(value, given, HLQ_SentinelToStore);
    default: return textOnly(value, given, HLQ_TypedTextToStore);
  }
}

bool sameAsShown(const HLQGivenValue& given, const HLQShownValue& shown) {
  bool on = false;
  if (shown.kind == HLQShownValue::Kind::Boolean) return parseBoolean(given, &on) && on == shown.on;
  return shown.kind == HLQShownValue::Kind::Text &&
         (given.kind == Kind::Text || given.kind == Kind::Number || given.kind == Kind::Position) &&
         given.text == shown.text;
}

HLQShownValue asGiven(const HLQGivenValue& given) {
  HLQShownValue shown;
  shown.kind = given.kind == Kind::Boolean ? HLQShownValue::Kind::Boolean
                                           : HLQShownValue::Kind::Text;
  shown.on = given.on;
  shown.text = given.text;
  return shown;
}

const HLQStoredValue* msrValue(const char* key) {
  return HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::MSR, key, nullptr);
}

// The planning of one call: each request's plan and the stored texts it
// would set (every one, changed or not), before they are compared.
struct Planning {
  const std::vector<HLQValueRequest>& requests;
  const HLQStoredTexts& texts;
  HLQCodepageLists* codepages;
  std::vector<HLQValuePlan> plans;
  std::vector<std::vector<HLQPlannedWrite>> sets;
  std::vector<bool> settled;  // unread, refused or given as shown: nothing more to do

  const HLQReadValue& read(const HLQStoredValue* value) const { return texts.values.at(value); }
  // The request of `value` that still needs planning, or -1.
  int open(const HLQStoredValue* value) const {
    for (size_t i = 0; i < plans.size(); ++i)
      if (plans[i].value == value && !settled[i]) return static_cast<int>(i);
    return -1;
  }
  void settle(size_t i, const Converted& converted, const HLQStoredValue* stored) {
    settled[i] = true;
    if (!converted.refused.empty())
      plans[i].refused = converted.refused;
    else
      sets[i].push_back({stored, converted.text});
  }
};

// Before, and whatever settles a request at once: a value that could not be
// read, and one given as it is shown now.
void start(Planning* p, size_t i) {
  const HLQValueRequest& request = p->requests[i];
  HLQValuePlan& plan = p->plans[i];
  plan.value = request.value;
  plan.before = HLQ_ShownValue(*request.value, p->texts, p->codepages);
  if (request.given.text.find('\0') != std::string::npos) {
    // Every stored text ends at its first NUL: a value holding one could
    // never be stored as given.
    plan.refused = _("a value holds no NUL character");
    p->settled[i] = true;
  } else if (plan.before.kind == HLQShownValue::Kind::Unread && !plan.before.attributeMissing) {
    plan.unread = plan.before.note;
    auto file = p->texts.files.find(request.value->file);
    plan.helperUnanswered = file != p->texts.files.end() && file->second.helperUnanswered;
    p->settled[i] = true;
  } else if (sameAsShown(request.given, plan.before)) {
    p->settled[i] = true;
  }
}

// A wrapper's text and flag become its three stored texts together; one
// given as shown keeps what is shown.
void planWrapper(Planning* p, const HLQWrapperKeys& wrapper) {
  const HLQStoredValue* parts[] = {msrValue(wrapper.active), msrValue(wrapper.keptAside),
                                   msrValue(wrapper.flag)};
  const int at[] = {p->open(parts[0]), p->open(parts[2])};  // text, flag
  if (at[0] < 0 && at[1] < 0) return;
  std::string unread;
  for (const HLQStoredValue* part : parts)
    if (!p->read(part).text) unread = p->read(part).reason;
  std::string text = HLQ_ShownValue(*parts[0], p->texts, p->codepages).text;
  bool on = HLQ_IsDeviceBoolOn(p->read(parts[2]).text);
  Converted problem;
  if (at[0] >= 0) {
    problem = textOnly(*parts[0], p->requests[static_cast<size_t>(at[0])].given, unchanged);
    text = p->requests[static_cast<size_t>(at[0])].given.text;
  }
  if (at[1] >= 0 && problem.refused.empty()) {
    problem = boolean(*parts[2], p->requests[static_cast<size_t>(at[1])].given);
    on = HLQ_IsDeviceBoolOn(problem.text);
  }
  const HLQWrapperTexts stored = HLQ_WrapperToStore(text, on);
  const std::string* texts[] = {&stored.active, &stored.keptAside, &stored.flag};
  for (int k = 0; k < 3 && problem.refused.empty(); ++k)
    HLQ_CheckStoredText(*parts[k], texts[k]->c_str(), &problem.refused);
  for (int given : at) {
    if (given < 0) continue;
    const size_t i = static_cast<size_t>(given);
    p->settled[i] = true;
    if (!unread.empty())
      p->plans[i].unread = unread;
    else if (!problem.refused.empty())
      p->plans[i].refused = problem.refused;
    else
      for (int k = 0; k < 3; ++k) p->sets[i].push_back({parts[k], *texts[k]});
  }
}

// The code page is a position in the list shown for the emulation mode it
// will be stored with.
void planCodepage(Planning* p, const HLQStoredValue* codepage) {
  const int at = p->open(codepage);
  if (at < 0) return;
  int mode = HLQ_StoredEmulationMode(p->texts);
  const HLQStoredValue* emulation =
      HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PRINTER, kwn::EMULATION_MODE, nullptr);
  for (size_t i = 0; i < p->plans.size(); ++i)
    for (const HLQPlannedWrite& set : p->sets[i])
      if (set.stored == emulation) mode = HLQ_ParseNumber(set.text);
  const size_t i = static_cast<size_t>(at);
  const std::vector<std::string>& names = p->codepages->shownFor(mode);
  Converted converted = choice(*codepage, p->requests[i].given, names);
  if (converted.refused.empty())
    HLQ_CheckPosition(converted.text.c_str(), static_cast<int>(names.size()),
                      &converted.refused);
  p->settle(i, converted, codepage);
}

// The text a read of the element or attribute would give after storing `text`.
bool holds(const HLQReadValue& read, const HLQPlannedWrite& write) {
  if (!read.text) return false;
  const bool blank = !write.stored->attribute && HLQ_ReadsBackAsEmpty(write.text.c_str());
  return *read.text == (blank ? "" : write.text);
}

// Only the texts that differ are written, each once.
void collectWrites(Planning* p, HLQChangePlan* plan) {
  std::map<const HLQStoredValue*, size_t> placed;
  for (size_t i = 0; i < p->plans.size(); ++i)
    for (const HLQPlannedWrite& set : p->sets[i]) {
      if (holds(p->read(set.stored), set)) continue;
      auto found = placed.find(set.stored);
      if (found == placed.end()) {
        found = placed.emplace(set.stored, plan->writes.size()).first;
        plan->writes.push_back(set);
      }
      p->plans[i].writes.push_back(found->second);
    }
}

// What each value would show once every planned text is stored.
void showAfter(Planning* p) {
  HLQStoredTexts after = p->texts;
  for (const auto& sets : p->sets)
    for (const HLQPlannedWrite& set : sets) {
      const bool blank = !set.stored->attribute && HLQ_ReadsBackAsEmpty(set.text.c_str());
      after.values[set.stored].text = blank ? "" : set.text;
    }
  for (size_t i = 0; i < p->plans.size(); ++i) {
    HLQValuePlan& plan = p->plans[i];
    if (!plan.refused.empty() || !plan.unread.empty())
      plan.after = asGiven(p->requests[i].given);
    else
      plan.after = HLQ_ShownValue(*plan.value, after, p->codepages);
  }
}

}  // namespace

HLQChangePlan HLQ_PlanChanges(const std::vector<HLQValueRequest>& requests,
                              const HLQStoredTexts& texts, HLQCodepageLists* codepages) {
  Planning p{requests, texts, codepages, std::vector<HLQValuePlan>(requests.size()),
             std::vector<std::vector<HLQPlannedWrite>>(requests.size()),
             std::vector<bool>(requests.size(), false)};
  for (size_t i = 0; i < requests.size(); ++i) start(&p, i);
  const HLQStoredValue* codepage =
      HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PRINTER, kwn::CODE_PAGE, nullptr);
  for (const HLQWrapperKeys& wrapper : HLQ_WRAPPERS) planWrapper(&p, wrapper);
  for (size_t i = 0; i < requests.size(); ++i)
    if (!p.settled[i] && requests[i].value != codepage)
      p.settle(i, convert(*requests[i].value, requests[i].given), requests[i].value);
  planCodepage(&p, codepage);
  HLQChangePlan plan;
  collectWrites(&p, &plan);
  showAfter(&p);
  plan.values = std::move(p.plans);
  return plan;
}

// Writes hlqctl's manual page from its template, with the line "@KEYS@"
// replaced by the list of keys the page model names, page by page, so that
// the installed page lists every key the command line takes and what each
// accepts. Run at build time: manual_keys TEMPLATE OUTPUT.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "model/page_model.h"
#include "model/page_values.h"

namespace {

// A text as groff shows it literally: a hyphen as "\-", a backslash as "\e".
std::string groff(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '-' ? "\\-" : c == '\\' ? "\\e" : std::string(1, c);
  return out;
}

bool isWrapperFlag(const HLQStoredValue& value) {
  for (const HLQWrapperKeys& wrapper : HLQ_WRAPPERS)
    if (std::strcmp(wrapper.flag, value.key) == 0) return true;
  return false;
}

// Values of one page that the list describes together: the same rule, the
// same choices and the same description.
std::string groupOf(const HLQStoredValue& value) {
  std::string group = std::to_string(static_cast<int>(value.rule));
  if (isWrapperFlag(value)) group += " wrapper flag";
  for (const std::string& choice : HLQ_ValueChoices(value)) group += " " + choice;
  return group + " " + HLQ_ValueDescription(value);
}

std::string choicesOf(const HLQStoredValue& value) {
  const std::vector<std::string> choices = HLQ_ValueChoices(value);
  std::string out;
  for (size_t i = 0; i < choices.size(); ++i)
    out += (i + 1 < choices.size() ? ".BR " + groff(choices[i]) + " ," : ".B " + groff(choices[i])) +
           "\n";
  return out;
}

// What the values of a group accept: their choices, or the model's own
// description of what `hlqctl keys` shows for them.
std::string accepted(const std::vector<const HLQStoredValue*>& group) {
  const HLQStoredValue& value = *group.front();
  if (value.rule == HLQRuleKind::DeviceBool || value.rule == HLQRuleKind::LoggingBool)
    return isWrapperFlag(value) ? "boolean: whether the wrapper is on; while it is off its text "
                                  "is kept\n"
                                : "boolean\n";
  if (!HLQ_ValueChoices(value).empty()) return choicesOf(value);
  return groff(HLQ_ValueDescription(value)) + "\n";
}

std::string names(const std::vector<const HLQStoredValue*>& group) {
  if (group.size() == 1) return ".B " + groff(group.front()->name) + "\n";
  std::string out = ".BR";
  for (size_t i = 0; i < group.size(); ++i)
    out += (i ? " \", \" " : " ") + groff(group[i]->name);
  return out + "\n";
}

std::string keysSection() {
  std::string out = ".SH KEYS\n";
  const std::vector<const HLQStoredValue*> all = HLQ_NamedValues();
  for (size_t start = 0; start < all.size();) {
    const HLQPage page = all[start]->page;
    out += std::string(".SS ") + HLQ_PageName(page) + "\n";
    std::vector<std::string> groups;
    std::vector<std::vector<const HLQStoredValue*>> members;
    size_t end = start;
    for (; end < all.size() && all[end]->page == page; ++end) {
      const std::string group = groupOf(*all[end]);
      size_t at = 0;
      while (at < groups.size() && groups[at] != group) ++at;
      if (at == groups.size()) groups.push_back(group), members.emplace_back();
      members[at].push_back(all[end]);
    }
    for (const auto& group : members) out += ".TP\n" + names(group) + accepted(group);
    start = end;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TEMPLATE OUTPUT\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1]);
  std::stringstream page;
  page << in.rdbuf();
  std::string text = page.str();
  const size_t at = text.find("@KEYS@\n");
  if (!in || at == std::string::npos) {
    std::fprintf(stderr, "%s: no line \"@KEYS@\" to replace\n", argv[1]);
    return 1;
  }
  text.replace(at, std::strlen("@KEYS@\n"), keysSection());
  std::ofstream out(argv[2]);
  out << text;
  out.close();
  return out ? 0 : 1;
}

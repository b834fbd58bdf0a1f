#include "hlqctl/arguments.h"
#include "base/owned_text.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <cstring>

namespace {

enum Option : unsigned { kJson = 1, kCheck = 2, kNoAsk = 4 };

struct Verb {
  const char* name;
  unsigned options;  // the options it takes
  size_t fewest, most;  // operands
};

constexpr size_t kAny = 1000000;
constexpr Verb kVerbs[] = {
    {"show", kJson, 0, 1},          {"get", kJson, 1, kAny},
    {"set", kJson | kCheck | kNoAsk, 1, kAny}, {"apply", kJson | kCheck | kNoAsk, 1, 1},
    {"restart", kNoAsk, 0, 0},      {"devices", kJson, 0, 0},
    {"codepages", kJson, 0, 0},     {"keys", kJson, 0, 0},
};

const char* summary() {
  return _("Verbs:\n"
           "  show [PAGE]          every value of one page (printer, cash-drawer, line-display,\n"
           "                       msr, logging) or of all\n"
           "  get KEY...           the values of the keys given\n"
           "  set KEY=VALUE...     stores the values (only those that differ)\n"
           "  apply FILE|-         stores the values of a JSON object of key to value, as\n"
           "                       show --json prints it\n"
           "  restart              restarts the daemon kwn\n"
           "  devices              the supported USB devices attached, per page\n"
           "  codepages            the code pages the printer page shows now\n"
           "  keys                 every key and the values it accepts\n"
           "\n"
           "See hlqctl(1) for every key, value and exit status.");
}

const Verb* findVerb(const std::string& name) {
  for (const Verb& verb : kVerbs)
    if (name == verb.name) return &verb;
  return nullptr;
}

bool refuseOption(bool given, unsigned option, const Verb& verb, const char* name,
                  std::string* problem) {
  if (!given || (verb.options & option)) return true;
  // TRANSLATORS: an option, then the verb it does not go with.
  *problem = HLQ_OwnedText(g_strdup_printf(_("the option %s does not go with %s"), name, verb.name));
  return false;
}

}  // namespace

bool HLQCtl_WantsJson(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], "--json") == 0) return true;
  }
  return false;
}

bool HLQCtl_ParseArguments(int argc, char** argv, HLQCtlArguments* arguments,
                           std::string* problem) {
  gboolean json = FALSE, check = FALSE, noAsk = FALSE;
  const GOptionEntry entries[] = {
      {"json", 0, 0, G_OPTION_ARG_NONE, &json, N_("Print JSON (never translated)"), nullptr},
      {"check", 0, 0, G_OPTION_ARG_NONE, &check,
       N_("Only report what would change; write nothing"), nullptr},
      {"no-ask-password", 0, 0, G_OPTION_ARG_NONE, &noAsk,
       N_("Never ask for a password; fail at once where one would be needed"), nullptr},
      {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
  GOptionContext* context = g_option_context_new(_("VERB [ARGUMENT...]"));
  g_option_context_set_translation_domain(context, GETTEXT_PACKAGE);
  g_option_context_add_main_entries(context, entries, GETTEXT_PACKAGE);
  g_option_context_set_summary(context, summary());
  GError* error = nullptr;
  const bool parsed = g_option_context_parse(context, &argc, &argv, &error);
  g_option_context_free(context);
  if (!parsed) {
    *problem = error->message;
    g_error_free(error);
    return false;
  }
  std::vector<std::string> words(argv + 1, argv + argc);
  if (!words.empty() && words[0] == "--") words.erase(words.begin());
  if (words.empty()) return *problem = _("no verb was given"), false;
  const Verb* verb = findVerb(words[0]);
  // TRANSLATORS: %s is the verb given.
  if (!verb) return *problem = HLQ_OwnedText(g_strdup_printf(_("unknown verb %s"), words[0].c_str())), false;
  arguments->verb = verb->name;
  arguments->operands.assign(words.begin() + 1, words.end());
  arguments->json = json;
  arguments->check = check;
  arguments->noAskPassword = noAsk;
  if (!refuseOption(json, kJson, *verb, "--json", problem) ||
      !refuseOption(check, kCheck, *verb, "--check", problem) ||
      !refuseOption(noAsk, kNoAsk, *verb, "--no-ask-password", problem))
    return false;
  const size_t count = arguments->operands.size();
  if (count < verb->fewest || count > verb->most) {
    // TRANSLATORS: %s is the verb.
    *problem = HLQ_OwnedText(g_strdup_printf(_("wrong number of arguments for %s"), verb->name));
    return false;
  }
  return true;
}

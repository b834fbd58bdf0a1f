#include "hlqctl/arguments.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/failed.h"
#include "base/owned_text.h"
#include "hlqctl/suggestion.h"

namespace {

enum Option : unsigned {
  kJson = 1, kCheck = 2, kNoAsk = 4, kValue = 8, kVerbose = 16, kRestart = 32
};

struct Verb {
  const char* name;
  unsigned options;  // the options it takes
  size_t fewest, most;  // operands
  const char* synopsis;
  const char* help;  // untranslated; shown through _()
};

constexpr size_t kAny = 1000000;
constexpr unsigned kStore = kJson | kCheck | kNoAsk | kVerbose | kRestart;
const Verb kVerbs[] = {
    {"status", kJson | kNoAsk, 0, 0, "status",
     N_("How the terminal is now: the daemon's state, each file read or not, per device page\n"
        "the stored port and whether its device node exists, the configured USB device\n"
        "against the one attached, where the code page list comes from, and whether a\n"
        "store goes through the privileged helper. Exit status 0: healthy; 1: needs\n"
        "attention. A bare hlqctl prints it too.")},
    {"show", kJson | kNoAsk, 0, 1, "show [PAGE]",
     N_("Every value of one page (printer, cash-drawer, line-display, msr, logging), or of\n"
        "all pages.")},
    {"get", kJson | kValue | kNoAsk, 1, kAny, "get [--value] KEY...",
     N_("The values of the keys given. --value prints the values alone, one a line, for\n"
        "scripts.")},
    {"set", kStore, 1, kAny, "set [--check] [--restart] [--verbose] KEY=VALUE...",
     N_("Stores the values given (only those that differ), each checked as the window\n"
        "checks it; one refused value and nothing is written. --check writes nothing and\n"
        "says what would change, asking polkit whether the store would be allowed.\n"
        "--restart restarts kwn once after storing, only when something was stored.\n"
        "--verbose lists the unchanged values too.")},
    {"apply", kStore, 1, 1, "apply [--check] [--restart] [--verbose] FILE|-",
     N_("Stores the values of a JSON object of key to value, as show --json prints it,\n"
        "from FILE or, for -, standard input; otherwise as set.")},
    {"restart", kNoAsk, 0, 0, "restart", N_("Restarts the daemon kwn.")},
    {"devices", kJson | kNoAsk, 0, 0, "devices", N_("The supported USB devices attached, per page.")},
    {"codepages", kJson | kNoAsk, 0, 0, "codepages",
     N_("The code pages the printer page shows now, by name.")},
    {"keys", kJson | kNoAsk, 0, 0, "keys", N_("Every key and the values it accepts.")},
    {"help", 0, 0, 1, "help [VERB]", N_("This summary, or the help of one verb.")},
};

const char* summary() {
  return _("Verbs:\n"
           "  status               how the terminal is now (also a bare hlqctl)\n"
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
           "  help [VERB]          this summary, or the help of one verb\n"
           "\n"
           "See hlqctl(1) for every key, value and exit status.");
}

const Verb* findVerb(const std::string& name) {
  for (const Verb& verb : kVerbs)
    if (name == verb.name) return &verb;
  return nullptr;
}

std::vector<std::string> verbNames() {
  std::vector<std::string> names;
  for (const Verb& verb : kVerbs) names.emplace_back(verb.name);
  return names;
}

bool refuseOption(bool given, unsigned option, const Verb& verb, const char* name,
                  std::string* err) {
  if (!given || (verb.options & option)) return true;
  // TRANSLATORS: an option, then the verb it does not go with.
  *err = HLQ_OwnedText(g_strdup_printf(_("the option %s does not go with %s"), name, verb.name));
  return false;
}

[[noreturn]] void printVersion() {
  std::printf("hlqctl %s\n", HLQ_VERSION);
  std::exit(0);
}

}  // namespace

bool HLQCtl_WantsJson(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], "--json") == 0) return true;
  }
  return false;
}

bool HLQCtl_PrintVerbHelp(const std::string& name) {
  const Verb* verb = findVerb(name);
  if (!verb) return false;
  std::printf("%s: hlqctl %s\n\n%s\n", _("Usage"), verb->synopsis, _(verb->help));
  struct Listed {
    unsigned option;
    const char* name;
  };
  const Listed options[] = {{kJson, "--json"},       {kCheck, "--check"},
                            {kRestart, "--restart"}, {kVerbose, "--verbose"},
                            {kValue, "--value"},     {kNoAsk, "--no-ask-password"}};
  std::string taken;
  for (const Listed& option : options)
    if (verb->options & option.option) taken += std::string(" ") + option.name;
  if (!taken.empty()) std::printf("\n%s%s\n", _("Options:"), taken.c_str());
  std::printf("\n%s\n", _("See hlqctl(1) for every key, value and exit status."));
  return true;
}

bool HLQCtl_ParseArguments(int argc, char** argv, HLQCtlArguments* arguments,
                           std::string* err) {
  gboolean json = FALSE, check = FALSE, noAsk = FALSE, value = FALSE, verbose = FALSE,
           restart = FALSE, help = FALSE, version = FALSE;
  const GOptionEntry entries[] = {
      {"json", 0, 0, G_OPTION_ARG_NONE, &json, N_("Print JSON (never translated)"), nullptr},
      {"check", 0, 0, G_OPTION_ARG_NONE, &check,
       N_("Only report what would change; write nothing"), nullptr},
      {"restart", 0, 0, G_OPTION_ARG_NONE, &restart,
       N_("Restart kwn once after storing, when something was stored"), nullptr},
      {"verbose", 'v', 0, G_OPTION_ARG_NONE, &verbose, N_("List the unchanged values too"),
       nullptr},
      {"value", 0, 0, G_OPTION_ARG_NONE, &value, N_("Print the values alone, one a line"),
       nullptr},
      {"no-ask-password", 0, 0, G_OPTION_ARG_NONE, &noAsk,
       N_("Never ask for a password; fail at once where one would be needed"), nullptr},
      {"help", 'h', 0, G_OPTION_ARG_NONE, &help, N_("Show the help (of the verb given)"), nullptr},
      {"version", 0, 0, G_OPTION_ARG_NONE, &version, N_("Show the version"), nullptr},
      {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
  GOptionContext* context = g_option_context_new(_("VERB [ARGUMENT...]"));
  g_option_context_set_translation_domain(context, GETTEXT_PACKAGE);
  g_option_context_add_main_entries(context, entries, GETTEXT_PACKAGE);
  g_option_context_set_summary(context, summary());
  // The help is ours: a verb's own help when a verb is given.
  g_option_context_set_help_enabled(context, FALSE);
  GError* error = nullptr;
  const bool parsed = g_option_context_parse(context, &argc, &argv, &error);
  g_autofree gchar* generalHelp = g_option_context_get_help(context, TRUE, nullptr);
  g_option_context_free(context);
  if (!parsed) {
    *err = error->message;
    g_error_free(error);
    return false;
  }
  if (version) printVersion();
  std::vector<std::string> words(argv + 1, argv + argc);
  if (!words.empty() && words[0] == "--") words.erase(words.begin());
  if (help || (!words.empty() && words[0] == "help")) {
    std::string asked = help ? (words.empty() ? "" : words[0])
                             : (words.size() > 1 ? words[1] : "");
    if (asked.empty() || asked == "help") std::printf("%s", generalHelp);
    else if (!HLQCtl_PrintVerbHelp(asked))
      return HLQ_Failed(err, HLQCtl_WithSuggestion(
                 // TRANSLATORS: %s is the verb given.
                 HLQ_OwnedText(g_strdup_printf(_("unknown verb %s"), asked.c_str())), asked, verbNames()));
    std::exit(0);
  }
  if (words.empty()) words.push_back("status");
  const Verb* verb = findVerb(words[0]);
  if (!verb)
    return HLQ_Failed(err, HLQCtl_WithSuggestion(
               HLQ_OwnedText(g_strdup_printf(_("unknown verb %s"), words[0].c_str())), words[0],
               verbNames()));
  arguments->verb = verb->name;
  arguments->operands.assign(words.begin() + 1, words.end());
  arguments->json = json;
  arguments->check = check;
  arguments->noAskPassword = noAsk;
  arguments->valueOnly = value;
  arguments->verbose = verbose;
  arguments->restart = restart;
  if (!refuseOption(json, kJson, *verb, "--json", err) ||
      !refuseOption(check, kCheck, *verb, "--check", err) ||
      !refuseOption(noAsk, kNoAsk, *verb, "--no-ask-password", err) ||
      !refuseOption(value, kValue, *verb, "--value", err) ||
      !refuseOption(verbose, kVerbose, *verb, "--verbose", err) ||
      !refuseOption(restart, kRestart, *verb, "--restart", err))
    return false;
  if (check && restart)
    return HLQ_Failed(err, _("--check writes nothing, so it does not go with --restart"));
  if (value && json) return HLQ_Failed(err, _("--value does not go with --json"));
  const size_t count = arguments->operands.size();
  if (count < verb->fewest || count > verb->most) {
    // TRANSLATORS: %s is the verb.
    *err = HLQ_OwnedText(g_strdup_printf(_("wrong number of arguments for %s"), verb->name));
    return false;
  }
  return true;
}

// The command line: a verb, its operands and the options it takes.
#pragma once

#include <string>
#include <vector>

struct HLQCtlArguments {
  std::string verb;
  std::vector<std::string> operands;
  bool json = false;
  bool check = false;
  bool noAskPassword = false;
  bool valueOnly = false;  // get --value: the values alone, one a line
  bool verbose = false;    // set, apply: the unchanged values too
  bool restart = false;    // set, apply: restart the daemon once when something was stored
};

// True when `--json` is among the arguments (JSON output is never
// translated, so this is known before anything is said).
bool HLQCtl_WantsJson(int argc, char** argv);

// Parses the arguments; no verb at all is `status`. False with `err`
// set, for the user, when the verb or an option is unknown or an option
// does not go with the verb. A request for help or for the version prints
// it and ends the program.
bool HLQCtl_ParseArguments(int argc, char** argv, HLQCtlArguments* arguments,
                           std::string* err);

// The help of one verb (hlqctl help VERB, hlqctl VERB --help); false for an
// unknown verb.
bool HLQCtl_PrintVerbHelp(const std::string& verb);

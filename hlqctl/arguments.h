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
};

// True when `--json` is among the arguments (JSON output is never
// translated, so this is known before anything is said).
bool HLQCtl_WantsJson(int argc, char** argv);

// Parses the arguments. False with `problem` set, for the user, when the
// verb or an option is unknown or an option does not go with the verb; a
// request for help prints it and ends the program.
bool HLQCtl_ParseArguments(int argc, char** argv, HLQCtlArguments* arguments,
                           std::string* problem);

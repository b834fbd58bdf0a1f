// The verbs of the command line. Each prints its answer and gives the
// program's exit status (exit_codes.h).
#pragma once

#include <string>

#include "hlqctl/arguments.h"
#include "model/page_values.h"

int HLQCtl_Show(const HLQCtlArguments& arguments);
int HLQCtl_Get(const HLQCtlArguments& arguments);
int HLQCtl_Set(const HLQCtlArguments& arguments);
int HLQCtl_Apply(const HLQCtlArguments& arguments);
int HLQCtl_Restart(const HLQCtlArguments& arguments);
int HLQCtl_Devices(const HLQCtlArguments& arguments);
int HLQCtl_Codepages(const HLQCtlArguments& arguments);
int HLQCtl_Keys(const HLQCtlArguments& arguments);

// Says what was wrong with the command line and gives HLQCTL_USAGE.
int HLQCtl_UsageError(const std::string& problem);

// The value named `key`, or nullptr after saying that there is none.
const HLQStoredValue* HLQCtl_FindKey(const std::string& key);

// A value as the human output shows it.
std::string HLQCtl_ShownText(const HLQShownValue& value);

// The exit status for values of which some could not be read.
int HLQCtl_ReadStatus(const HLQStoredTexts& texts, const std::vector<HLQShownValue>& shown);

// The names of the files that hold these values, each once.
std::vector<std::string> HLQCtl_FilesOf(const std::vector<const HLQStoredValue*>& values);

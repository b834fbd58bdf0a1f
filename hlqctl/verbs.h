// The verbs of the command line. Each prints its answer and gives the
// program's exit status (exit_codes.h).
#pragma once

#include <string>

#include "hlqctl/arguments.h"
#include "hlqctl/json_output.h"
#include "model/page_values.h"

int HLQCtl_Status(const HLQCtlArguments& arguments);
int HLQCtl_Show(const HLQCtlArguments& arguments);
int HLQCtl_Get(const HLQCtlArguments& arguments);
int HLQCtl_Set(const HLQCtlArguments& arguments);
int HLQCtl_Apply(const HLQCtlArguments& arguments);
int HLQCtl_Restart(const HLQCtlArguments& arguments);
int HLQCtl_Devices(const HLQCtlArguments& arguments);
int HLQCtl_Codepages(const HLQCtlArguments& arguments);
int HLQCtl_Keys(const HLQCtlArguments& arguments);

// What devices --json and codepages --json print (status holds both).
HLQCtlJson HLQCtl_DevicesDocument();
HLQCtlJson HLQCtl_CodepagesDocument(const HLQStoredTexts& texts, HLQCodepageLists* codepages);

// Restarts the daemon (root itself, anyone else through the helper): the
// exit status, with `err` saying why where it failed.
int HLQCtl_RestartDaemon(std::string* err);

// Says what was wrong with the command line and gives HLQCTL_USAGE.
int HLQCtl_UsageError(const std::string& problem);

// That no value is named `key`, with the closest key's name where one is close.
std::string HLQCtl_UnknownKey(const std::string& key);

// The value named `key`, or nullptr after saying that there is none.
const HLQStoredValue* HLQCtl_FindKey(const std::string& key);

// A value as the human output shows it.
std::string HLQCtl_ShownText(const HLQShownValue& value);

// The exit status for values of which some could not be read.
int HLQCtl_ReadStatus(const HLQStoredTexts& texts, const std::vector<HLQShownValue>& shown);

// The names of the files that hold these values, each once.
std::vector<std::string> HLQCtl_FilesOf(const std::vector<const HLQStoredValue*>& values);

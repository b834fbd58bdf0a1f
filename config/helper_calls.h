// The configuration layer's calls to the privileged helper, for a process
// that may not read or write one of the daemon's files itself. They are
// reached through a table that the program's main installs: the window links
// the bus client, the command line loads it only when it needs it, and a
// program that installs none (the helper itself, the test programs) works on
// the files directly or reports that the helper is not available.
#pragma once

#include <string>
#include <vector>

#include "config/held_store.h"
#include "config/write_result.h"
#include "config/xml_values.h"

// One value as the helper read it.
struct HLQHelperValue {
  std::string section, key, attribute;  // attribute "" for the element's text
  bool present = false;
  std::string text;  // the value, or why it is absent
};

// A file as the helper read it: every value a page stores in it.
struct HLQHelperFileRead {
  bool answered = false;  // false: not authorised, or the helper not reached (`reason`)
  bool loaded = false;    // false: the helper could not read the file (`reason`)
  std::string reason;
  std::vector<HLQHelperValue> values;
};

// A value as a technician gave it (kind: 0 text, 1 boolean "true" or
// "false", 2 number, 3 any other value), for the helper to plan.
struct HLQHelperGivenValue {
  std::string name;
  unsigned kind = 0;
  std::string text;
};

// What the helper answered to given values: the file as it read it before
// storing, and each text it stored or tried to.
struct HLQHelperGivenStore {
  bool refused = false;  // refused, or not known to the helper: nothing was read or written
  HLQHelperFileRead read;
  struct Stored {
    std::string section, key, attribute;
    WriteResult result;
  };
  std::vector<Stored> results;
};

struct HLQHelperCalls {
  // Each value's result in order: stored, held already, or not stored with
  // the reason (in this process's language). Not authorised, or not reached:
  // every value NotAuthorized with the reason; refused by the helper: every
  // value TextNotAllowed. `interactive`: polkit may ask for a password.
  std::vector<WriteResult> (*writeValues)(const char* file,
                                          const std::vector<HLQValueToStore>& values,
                                          bool interactive);
  HLQHelperFileRead (*readValues)(const char* file, bool interactive);
  // True when the restart command exited with 0; otherwise `err` says
  // why, and `answered` (where given) whether the helper ran the command at
  // all (false: not authorised, or not reached).
  bool (*restartDaemon)(bool interactive, bool* answered, std::string* err);
  // As writeValues, stored only while the file still holds `held` (checked
  // under the writers' lock); otherwise every value not stored with the
  // reason.
  std::vector<WriteResult> (*writeValuesIfHeld)(const char* file,
                                                const std::vector<HLQValueToStore>& values,
                                                const std::vector<HLQHeldText>& held,
                                                bool interactive);
  // One call for a file this process may not read: the helper plans the
  // values from what the file holds, and stores the texts that differ.
  HLQHelperGivenStore (*writeGivenValues)(const char* file,
                                          const std::vector<HLQHelperGivenValue>& given,
                                          bool interactive);
};

// Gives the table, or nullptr with `err` set when it cannot be had.
using HLQHelperCallsSource = const HLQHelperCalls* (*)(std::string* err);

// Installed once by main; without it the helper is "not available".
void HLQ_UseHelperCalls(HLQHelperCallsSource source);
const HLQHelperCalls* HLQ_HelperCalls(std::string* err);

// Whether the calls may ask for a password (the window always; the command
// line unless told not to). On by default.
void HLQ_SetHelperInteractive(bool interactive);
bool HLQ_HelperInteractive();

// The bus client's own table, for a program that links it.
const HLQHelperCalls* HLQ_LinkedHelperCalls(std::string* err);

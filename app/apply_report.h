// What one Apply of a page achieved: how many values reached the file and
// which did not, with the reason. The Apply contract shared by the five pages
// turns it into the page's message and the configuration changed flag.
#pragma once

#include <string>
#include <vector>

#include "config/xml_config.h"

struct NotStoredValue {
  std::string name;    // the key, or "KEY attribute ATTR"
  std::string reason;  // for the user
};

struct ApplyReport {
  std::string file;  // the configuration file the page writes
  int stored = 0;
  std::vector<NotStoredValue> notStored;
  // A field held a text its rule refuses: nothing was written (notStored
  // names each such field).
  bool refused = false;
  // Why the page's file could not be read, where it could not: nothing was
  // written.
  std::string unreadReason;
  // No field differed from what the page read: nothing was written.
  bool unchanged = false;

  // Counts a write: stored, or not stored with its reason.
  void record(const std::string& name, const WriteResult& result);
  // A value deliberately not written (for example a port with no selection).
  void leftUnchanged(const std::string& name, const std::string& reason);
};

// Set by every Apply that stored at least one value; read on close to decide
// whether the daemon is restarted. Never reset.
extern bool g_hlqConfigChanged;

// The text shown for a report: `successText` when everything was stored,
// otherwise a list of what was not stored, with the file's path.
std::string HLQCT_ApplyMessage(const ApplyReport& report, const char* successText);

// The end of every Apply handler: sets the flag when anything was stored and
// shows the message box with the page's title.
void HLQCT_FinishApply(const ApplyReport& report, const char* successText, const char* title);

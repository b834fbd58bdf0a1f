// What became of one value that was to be written: stored, or why not, in
// words for the user.
#pragma once

#include <string>

enum class WriteStatus {
  Stored,          // the value is in the file
  NoHandle,        // called with a null configuration handle
  FileNotLoaded,   // missing, unreadable, empty or not well-formed
  ElementMissing,  // VCP, the section or the key element is not there
  TextNotAllowed,  // holds a character that XML 1.0 does not allow
  SaveFailed,      // the file could not be rewritten; it is unchanged
  NotAuthorized,   // the privileged helper could not be reached or did not authorise it
  AlreadyStored,   // the file held the value already; nothing was written for it
};

struct WriteResult {
  WriteStatus status = WriteStatus::Stored;
  std::string reason;  // for the user, empty when stored
  // The value is in the file, written now or held already.
  bool stored() const { return status == WriteStatus::Stored || status == WriteStatus::AlreadyStored; }
  bool changed() const { return status == WriteStatus::Stored; }
};

// The tool's calls to the privileged helper on the system bus, for a window
// that may not write (or read) the daemon's files itself: the helper stores
// the value with the same configuration code, as root, once polkit allows
// it. Calls wait as long as the administrator's password dialog is open.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/xml_config.h"

// The values written through the helper, in one call: each one's result in
// order, stored or not stored with the helper's reason (in this process's
// language). When the helper could not be reached or did not authorise the
// call, every value has WriteStatus::NotAuthorized with the reason. `file`
// must be one of the daemon's two files (HLQ_ConfigFileName).
std::vector<WriteResult> HLQ_HelperWriteValues(const char* file,
                                               const std::vector<HLQValueToStore>& values);

// A read through the helper: the text, or absent when the helper found none.
// `refusal` receives why the helper could not be asked or did not authorise
// the read (and stays empty otherwise).
std::optional<std::string> HLQ_HelperReadText(const char* file, const char* section,
                                              const char* key, std::string* refusal);

// Restarts the daemon through the helper; true when the restart command
// exited with status 0. `problem` receives why it did not.
bool HLQ_HelperRestartDaemon(std::string* problem);

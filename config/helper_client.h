// The tool's calls to the privileged helper on the system bus, for a window
// that may not write (or read) the daemon's files itself: the helper stores
// the value with the same configuration code, as root, once polkit allows
// it. Calls wait as long as the administrator's password dialog is open.
#pragma once

#include <optional>
#include <string>

#include "config/xml_config.h"

// A write through the helper: stored, not stored with the helper's reason
// (in this process's language), or WriteStatus::NotAuthorized when the
// helper could not be reached or did not authorise it, with the reason.
// `file` must be one of the daemon's two files (HLQ_ConfigFileName).
WriteResult HLQ_HelperWriteText(const char* file, const char* section, const char* key,
                                const char* text);
WriteResult HLQ_HelperWriteAttribute(const char* file, const char* section, const char* key,
                                     const char* attribute, const char* value);

// A read through the helper: the text, or absent when the helper found none.
// `refusal` receives why the helper could not be asked or did not authorise
// the read (and stays empty otherwise).
std::optional<std::string> HLQ_HelperReadText(const char* file, const char* section,
                                              const char* key, std::string* refusal);

// Restarts the daemon through the helper; true when the restart command
// exited with status 0. `problem` receives why it did not.
bool HLQ_HelperRestartDaemon(std::string* problem);

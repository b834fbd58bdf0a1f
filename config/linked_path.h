// Whether a process running as root on behalf of another user may follow the
// symbolic links on the way to one of the daemon's files. A link is followed
// only when the link, its target and every folder on the way are root's and
// writable by root alone: anyone else who could change one of them could
// point root's writes at a file of their choosing.
#pragma once

#include <string>

// True when `path` leads to its file through no symbolic link, or only
// through links that may be followed; otherwise false with why not, for the
// user, in `err`. A missing file or folder is left for the access itself to
// report.
bool HLQ_CheckLinkedPath(const char* path, std::string* err);

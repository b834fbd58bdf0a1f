// Crash-safe replacement of a file's content: the new bytes go to a
// temporary file in the same folder, which is flushed, synced, given the
// original's mode and owner and renamed over it; the folder is then synced.
// A symbolic link is written through to its target and stays a link. A file
// that the caller could not have written in place (its permission bits, a
// read-only mount, an immutable flag) is not replaced. On any failure the
// original is untouched and the temporary file is removed. A process killed
// while saving leaves the whole old or the whole new file, and at most its
// own temporary file, which nothing removes later.
#pragma once

#include <functional>
#include <string>
#include <cstdio>

// `write` produces the new content into the stream; it returns false on a
// failure of its own. On failure `error` receives a reason for the user.
bool HLQ_ReplaceFileSafely(const char* path, const std::function<bool(FILE*)>& write,
                           std::string* error);

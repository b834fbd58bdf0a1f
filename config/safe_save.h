// Crash-safe replacement of a file's content that keeps the file as the
// deployment set it up. Where a rename changes nothing else, the new bytes
// go to a temporary file in the same folder, which is first given the
// original's owner, extended attributes (ACLs among them, an inherited one
// removed), flags and mode, then the content, is synced and renamed over
// it; the folder is then synced. Where a rename would change the file
// otherwise (a second hard link, an owner, attribute or flag the new file
// cannot be given, a folder the writer may not change) or cannot be done (a
// file mounted on its own, no room for a new copy on a full disk), the new
// content is written over the old in the same file instead.
//
// A symbolic link is written through to its target and stays a link. A file
// that the caller could not have written in place (its permission bits, a
// read-only mount, an immutable flag) is not changed. On any failure the
// original is left as it was and the temporary file is removed. A process
// killed while saving leaves the whole old or the whole new content (for a
// file written in place: as long as it fits in one page), and at most its own
// temporary file, which the next save by rename removes (called under the
// file's lock, it removes every copy of that name that no live writer holds).
#pragma once

#include <functional>
#include <string>
#include <cstdio>

// `write` produces the new content into the stream; it returns false on a
// failure of its own. The content must mean the same with line feeds after
// it, as an XML document does. On failure `err` receives a reason for the
// user.
bool HLQ_ReplaceFileSafely(const char* path, const std::function<bool(FILE*)>& write,
                           std::string* err);

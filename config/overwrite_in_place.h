// Writing a file's new content over its old content, in the same file, for
// files that a replacement by rename would change in other ways (a second
// name, an owner a new file cannot be given, a folder the writer may not
// change). The write is one pwrite from offset 0, padded with line feeds to
// the old length so that the file is never shorter than its content while
// it is written; the padding is cut once the content is on disk. When the
// write or its sync fails, the old bytes are written back.
#pragma once

#include <string>

// `fd` is the file, open for reading and writing. `content` must mean the
// same with line feeds after it (an XML document does). On failure `err`
// receives the reason, which says so when the old content could not be put
// back and the file may be incomplete.
bool HLQ_OverwriteInPlace(int fd, const std::string& content, std::string* err);

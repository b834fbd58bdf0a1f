// The file-system flags of a file (those chattr sets: no dump, no access
// times, synchronous writes and the like), given to the file that is about to
// replace it, so that a replacement keeps them.
#pragma once

// Makes the flags of the file open as `to` those of `from`, among the flags
// a new file can be given: each that `from` has is set, and any that `to`
// has and `from` lacks (one handed down by the folder) is cleared. False,
// with errno set, when they could not be read or given, or the file system
// did not keep them. A file system without such flags counts as one where
// the files have none.
bool HLQ_CopyFileFlags(int from, int to);

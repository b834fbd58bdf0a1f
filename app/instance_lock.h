// The single-instance guard. The lock file is created empty with mode 0000;
// this instance keeps it open with an exclusive flock for its whole life, so
// a file of this user's left behind by a killed instance (nobody holds its
// lock) is taken over instead of locking the tool out for good. A lock that
// some process holds is another instance's, whoever owns the file. Anything
// else under the name (a link, a FIFO, a socket, a folder, another user's
// file that nobody holds) is stale: a starter allowed to remove it (root, or
// its owner) puts a lock file of its own in its place; another user's file is
// never kept.
#pragma once

// True when this call made this process the holder of the lock at `path`:
// it created the file (or took over a stale one) and holds its flock.
// False when another live instance holds it, when something this process may
// not remove stands under the name, or on any other failure.
bool HLQCreatePIDFile(const char* path);

// Removes the lock file and releases the lock, only if this process holds
// it; true when the file was removed.
bool HLQRemovePIDFile(const char* path);

bool HLQHoldsPIDFile();

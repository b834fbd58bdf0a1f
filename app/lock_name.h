// The lock file's name in its world-writable folder: finding what stands
// under it without opening or following it, and putting a starter's own lock
// file there in place of a stale object without ever removing, in its stead,
// a lock that a live instance holds.
#pragma once

#include <sys/stat.h>

#include <string>

// Foreign: the name is another user's object that this starter may neither
// use nor remove.
enum class LockAttempt { Holding, HeldByOther, Foreign, Retry };

// The lock's folder, held open so that every step concerns the same folder,
// and the lock's name in it.
struct LockName {
  int folder = -1;
  std::string name;
  LockName() = default;
  ~LockName();
  LockName(const LockName&) = delete;
  LockName& operator=(const LockName&) = delete;
};

// What stands under a name: a descriptor that refers to it without opening
// it (opening a FIFO would wait for a writer, opening a link would follow
// it), and its status.
struct Found {
  int fd = -1;
  struct stat status {};
  Found() = default;
  ~Found();
  Found(const Found&) = delete;
  Found& operator=(const Found&) = delete;
};

// Each returns false with errno set on failure.
bool HLQLock_OpenName(const char* path, LockName* lock);
bool HLQLock_Find(int folder, const std::string& name, Found* found);

// True when `fd` is what the lock's name leads to now.
bool HLQLock_IsAtName(int fd, const LockName& lock);

// Opens the regular file `found` for reading, without looking its name up
// again; -1 with errno set when it cannot be opened.
int HLQLock_Reopen(const Found& found);

// Puts a new lock file of this starter's, held, under the lock's name in
// place of `stale`, which this starter may remove. Holding, with the held
// descriptor in `*holdingFd`; HeldByOther when a live instance's lock took the
// stale object's place meanwhile, or the name cannot be taken; Retry when the
// name became free.
LockAttempt HLQLock_ReplaceStale(const LockName& lock, const Found& stale, int* holdingFd);

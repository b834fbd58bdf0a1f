#include "app/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

int g_lockFd = -1;  // open for the life of the instance that holds the lock

bool lockWithoutWaiting(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0; }

// True when `fd` still is the file at `path` (not one removed and made anew).
bool isFileAtPath(int fd, const char* path) {
  struct stat open{}, named{};
  return fstat(fd, &open) == 0 && lstat(path, &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

// A lock file of mode 0000 opens only for root; an ordinary user takes over
// a stale one of their own by allowing reading for a moment. Another user
// may swap the name in this world-writable folder at any time, so the mode
// is changed through a descriptor of the very file checked (its /proc/self/fd
// link), never through the name, which could by then be a link elsewhere.
int openOwnModeZeroFile(const char* path) {
  const int file = open(path, O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (file < 0) return -1;
  struct stat info;
  int fd = -1;
  if (fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid()) {
    const std::string self = "/proc/self/fd/" + std::to_string(file);
    if (chmod(self.c_str(), 0400) == 0) {
      fd = open(self.c_str(), O_RDONLY | O_CLOEXEC);
      chmod(self.c_str(), 0);
    }
  } else {
    errno = EACCES;  // not ours: another instance's
  }
  close(file);
  return fd;
}

// Opens an existing lock file without waiting: a FIFO put under the name
// would otherwise block the open until a writer came.
int openExisting(const char* path) {
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd >= 0 || errno != EACCES) return fd;
  return openOwnModeZeroFile(path);
}

bool isRegularFile(int fd) {
  struct stat info;
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

enum class Attempt { Holding, HeldByOther, Retry };

Attempt createOrTakeOver(const char* path) {
  int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0);
  if (fd >= 0) {
    if (lockWithoutWaiting(fd)) {
      g_lockFd = fd;
      return Attempt::Holding;
    }
    close(fd);  // someone who took it over first is the running instance
    return Attempt::HeldByOther;
  }
  if (errno != EEXIST) return Attempt::HeldByOther;

  fd = openExisting(path);
  if (fd < 0) return errno == ENOENT ? Attempt::Retry : Attempt::HeldByOther;
  if (!isRegularFile(fd) || !lockWithoutWaiting(fd)) {
    close(fd);
    return Attempt::HeldByOther;
  }
  // Nobody held it: left by an instance that was killed. Keep it, unless it
  // was removed and recreated meanwhile.
  if (!isFileAtPath(fd, path)) {
    close(fd);
    return Attempt::Retry;
  }
  g_lockFd = fd;
  return Attempt::Holding;
}

}  // namespace

bool HLQCreatePIDFile(const char* path) {
  if (g_lockFd >= 0) return false;
  for (int tries = 0; tries < 5; ++tries) {
    Attempt attempt = createOrTakeOver(path);
    if (attempt == Attempt::Holding) return true;
    if (attempt == Attempt::HeldByOther) return false;
  }
  return false;
}

bool HLQRemovePIDFile(const char* path) {
  if (g_lockFd < 0) return false;
  bool removed = remove(path) == 0;
  close(g_lockFd);
  g_lockFd = -1;
  return removed;
}

bool HLQHoldsPIDFile() { return g_lockFd >= 0; }

#include "app/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

int g_lockFd = -1;  // open for the life of the instance that holds the lock

bool lockWithoutWaiting(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0; }

// True when `fd` still is the file at `path` (not one removed and made anew).
bool isFileAtPath(int fd, const char* path) {
  struct stat open{}, named{};
  return fstat(fd, &open) == 0 && lstat(path, &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

// Opens an existing lock file. Its mode is 0000, which only root can open as
// it is; its owner briefly allows reading to get a descriptor for the lock.
int openExisting(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd >= 0 || errno != EACCES) return fd;
  if (chmod(path, 0400) != 0) return -1;
  fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  chmod(path, 0);
  return fd;
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
  if (!lockWithoutWaiting(fd)) {
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

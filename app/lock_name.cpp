#include "app/lock_name.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>  // renameat2

// A stale object is never removed through the lock's name: between the check
// and the removal, another starter may have replaced it with the lock of a
// running instance. Instead the starter's own lock file, already held, and
// whatever stands under the name change places in one step (an exchange of
// the two names), and only what then stands under the starter's other name is
// looked at again and removed.

namespace {

// Exchanging back and forth with other starters ends long before this.
constexpr int kMaxExchanges = 64;

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A new lock file, created as the lock file is (empty, mode 0000, by the
// exclusive create), under a name of its own beside the lock's, and held;
// `own` receives its status.
int createAside(const LockName& lock, std::string* aside, struct stat* own) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    g_autofree gchar* name = g_strdup_printf(".%s.%08x", lock.name.c_str(), g_random_int());
    int fd = openat(lock.folder, name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return -1;
    *aside = name;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, own) == 0) return fd;
    unlinkat(lock.folder, name, 0);
    close(fd);
    return -1;
  }
  return -1;
}

bool exchange(const LockName& lock, const std::string& aside) {
  return renameat2(lock.folder, aside.c_str(), lock.folder, lock.name.c_str(),
                   RENAME_EXCHANGE) == 0;
}

// A lock that some process holds is a running instance's, whoever owns it;
// one that cannot be opened to find out counts as held.
bool heldOrUnknown(const Found& found) {
  if (!S_ISREG(found.status.st_mode)) return false;
  int fd = HLQLock_Reopen(found);
  if (fd < 0) return true;
  bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
  close(fd);
  return held;
}

// Removes the name without following it; a folder only when it is empty,
// so that one with content (another user's) stays under the starter's other
// name, out of the lock's way.
bool removeStale(int folder, const std::string& name, const struct stat& status) {
  return unlinkat(folder, name.c_str(), S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0) == 0;
}

// Where the file system cannot exchange names: the stale object is removed
// under the lock's name if that still leads to it, and the lock file is then
// created there anew. Only here can a starter racing another remove a lock
// the other has just created.
LockAttempt removeUnderName(const LockName& lock, const Found& stale) {
  if (!HLQLock_IsAtName(stale.fd, lock)) return LockAttempt::Retry;
  return removeStale(lock.folder, lock.name, stale.status) ? LockAttempt::Retry
                                                           : LockAttempt::HeldByOther;
}

// A live instance's lock came out from under the name (put there since the
// name was inspected): it goes back. Other starters doing the same may hand
// over each other's files, so the exchange is repeated until this starter's
// own file comes back, which is removed.
void putBack(const LockName& lock, const std::string& aside, const struct stat& own) {
  for (int round = 0; round < kMaxExchanges && exchange(lock, aside); ++round) {
    Found back;
    if (!HLQLock_Find(lock.folder, aside, &back)) return;
    if (sameFile(back.status, own) || !heldOrUnknown(back)) {
      removeStale(lock.folder, aside, back.status);
      return;
    }
  }
}

// After the exchange, `aside` names what stood under the lock's name. When
// that is stale it is removed, and this starter holds the lock.
LockAttempt settle(const LockName& lock, const std::string& aside, const struct stat& own) {
  Found out;
  bool found = HLQLock_Find(lock.folder, aside, &out);
  if (!found && errno == ENOENT) return LockAttempt::Holding;  // its owner moved it away
  if (found && !heldOrUnknown(out)) {
    removeStale(lock.folder, aside, out.status);
    return LockAttempt::Holding;
  }
  putBack(lock, aside, own);
  return LockAttempt::HeldByOther;
}

}  // namespace

LockName::~LockName() {
  if (folder >= 0) close(folder);
}

Found::~Found() {
  if (fd >= 0) close(fd);
}

bool HLQLock_OpenName(const char* path, LockName* lock) {
  g_autofree gchar* folder = g_path_get_dirname(path);
  g_autofree gchar* name = g_path_get_basename(path);
  lock->name = name;
  lock->folder = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
  return lock->folder >= 0;
}

bool HLQLock_Find(int folder, const std::string& name, Found* found) {
  found->fd = openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  return found->fd >= 0 && fstat(found->fd, &found->status) == 0;
}

bool HLQLock_IsAtName(int fd, const LockName& lock) {
  struct stat held {}, named {};
  return fstat(fd, &held) == 0 &&
         fstatat(lock.folder, lock.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         sameFile(held, named);
}

// A lock file of mode 0000 opens only for root; an ordinary user opens one
// of their own by allowing reading for a moment. The mode is changed through
// the descriptor of the very file found (its /proc/self/fd link), never
// through the name, and only for a file with no other name, which another
// user could have linked to a file of this user's.
int HLQLock_Reopen(const Found& found) {
  const std::string self = "/proc/self/fd/" + std::to_string(found.fd);
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = open(self.c_str(), flags);
  if (fd >= 0 || errno != EACCES || found.status.st_uid != geteuid() ||
      found.status.st_nlink != 1)
    return fd;
  if (chmod(self.c_str(), 0400) != 0) return -1;
  fd = open(self.c_str(), flags);
  int code = errno;
  chmod(self.c_str(), found.status.st_mode & 07777);
  errno = code;
  return fd;
}

LockAttempt HLQLock_ReplaceStale(const LockName& lock, const Found& stale, int* holdingFd) {
  std::string aside;
  struct stat own {};
  int mine = createAside(lock, &aside, &own);
  if (mine < 0) return LockAttempt::HeldByOther;
  if (!exchange(lock, aside)) {
    int code = errno;
    unlinkat(lock.folder, aside.c_str(), 0);
    close(mine);
    if (code == ENOENT) return LockAttempt::Retry;  // the name is free now
    if (code == EINVAL || code == ENOSYS) return removeUnderName(lock, stale);
    return LockAttempt::HeldByOther;  // not this starter's to remove
  }
  LockAttempt result = settle(lock, aside, own);
  if (result == LockAttempt::Holding)
    *holdingFd = mine;
  else
    close(mine);
  return result;
}

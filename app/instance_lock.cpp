#include "app/instance_lock.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "app/lock_name.h"

// The lock file lives in a world-writable folder, where another user may
// swap the name between any two calls. So every step works relative to one
// descriptor of the folder, nothing is followed or opened through the name
// that was not checked through a descriptor, and a file is only kept once it
// is held and still under the name.

namespace {

int g_lockFd = -1;  // open for the life of the instance that holds the lock
int g_ownLockFd = -1;  // the lock in this user's own folder, held as long

bool holdWithoutWaiting(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0; }

// A lock file this starter may keep when nobody holds it: its own, with no
// other name (a second name would make it some other file of the user's).
bool isOwnLockFile(const struct stat& status) {
  return S_ISREG(status.st_mode) && status.st_uid == geteuid() && status.st_nlink == 1;
}

// Root may remove anything from the sticky folder, anyone else what is theirs.
bool mayRemove(const struct stat& status) {
  return geteuid() == 0 || status.st_uid == geteuid();
}

// Keeps `fd`, held, as this instance's lock, unless it was removed as stale
// before it was held.
LockAttempt keepIfAtName(int fd, const LockName& lock) {
  if (HLQLock_IsAtName(fd, lock)) {
    g_lockFd = fd;
    return LockAttempt::Holding;
  }
  close(fd);
  return LockAttempt::Retry;
}

// A regular file under the name: a lock that some process holds is another
// instance's, whoever owns the file; one of this user's that nobody holds,
// left by a killed instance, is kept; any other is stale.
LockAttempt takeOverFile(const LockName& lock, const Found& found) {
  int fd = HLQLock_Reopen(found);
  if (fd < 0 || !holdWithoutWaiting(fd)) {  // held, or it cannot be told
    if (fd >= 0) close(fd);
    return found.status.st_uid == geteuid() ? LockAttempt::HeldByOther : LockAttempt::Foreign;
  }
  if (isOwnLockFile(found.status)) return keepIfAtName(fd, lock);
  close(fd);  // never kept: another user's file, or not a lock file at all
  return HLQLock_ReplaceStale(lock, found, &g_lockFd);
}

// Something stands under the name already; anything but a regular file is
// stale. What this starter may not remove turns it away.
LockAttempt takeOverOrRefuse(const LockName& lock) {
  Found found;
  if (!HLQLock_Find(lock.folder, lock.name, &found))
    return errno == ENOENT ? LockAttempt::Retry : LockAttempt::HeldByOther;
  if (!mayRemove(found.status)) return LockAttempt::Foreign;
  if (S_ISREG(found.status.st_mode)) return takeOverFile(lock, found);
  return HLQLock_ReplaceStale(lock, found, &g_lockFd);
}

// The lock file is created empty with mode 0000 by the exclusive create, so
// that two instances started at once cannot both create it.
LockAttempt createOrTakeOver(const LockName& lock) {
  const int flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = openat(lock.folder, lock.name.c_str(), flags, 0);
  if (fd < 0) return errno == EEXIST ? takeOverOrRefuse(lock) : LockAttempt::HeldByOther;
  if (!holdWithoutWaiting(fd)) {
    close(fd);  // another starter took it over first: it is the running instance
    return LockAttempt::HeldByOther;
  }
  return keepIfAtName(fd, lock);
}


// The same lock in a folder that only this user may change (the runtime
// folder, else the home folder): no other user can put anything there, so
// it keeps one instance per user when another user's object stands under
// the shared name. Its name comes from the shared lock's path, so that a
// build with other fixed paths (a sandbox, a test) has a lock of its own.
// Where there is no such folder, -1.
int holdOwnLock(const char* sharedPath) {
  g_autofree gchar* digest = g_compute_checksum_for_string(G_CHECKSUM_SHA256, sharedPath, -1);
  const std::string name = "/.hlqconfigtool-" + std::string(digest).substr(0, 16) + ".lock";
  for (const char* folder : {g_get_user_runtime_dir(), g_get_home_dir()}) {
    struct stat status {};
    if (!folder || stat(folder, &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != geteuid() || (status.st_mode & 022))
      continue;
    const std::string path = std::string(folder) + name;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) continue;
    if (holdWithoutWaiting(fd)) return fd;
    close(fd);
    return -2;  // held: another instance of this user's runs
  }
  return -1;
}

void releaseOwnLock() {
  if (g_ownLockFd >= 0) close(g_ownLockFd);
  g_ownLockFd = -1;
}

}  // namespace

// Another user's object under the shared name turns nobody away: the lock
// in the user's own folder is the one that counts then.
bool HLQCreatePIDFile(const char* path) {
  if (g_lockFd >= 0 || g_ownLockFd >= 0) return false;
  g_ownLockFd = holdOwnLock(path);
  if (g_ownLockFd == -2) {
    g_ownLockFd = -1;
    return false;
  }
  LockName lock;
  if (!HLQLock_OpenName(path, &lock)) {
    releaseOwnLock();
    return false;
  }
  for (int tries = 0; tries < 5; ++tries) {
    LockAttempt attempt = createOrTakeOver(lock);
    if (attempt == LockAttempt::Holding) return true;
    if (attempt == LockAttempt::Foreign) return true;
    if (attempt == LockAttempt::HeldByOther) break;
  }
  releaseOwnLock();
  return false;
}

bool HLQRemovePIDFile(const char* path) {
  releaseOwnLock();
  if (g_lockFd < 0) return false;
  LockName lock;
  bool removed = HLQLock_OpenName(path, &lock) && HLQLock_IsAtName(g_lockFd, lock) &&
                 unlinkat(lock.folder, lock.name.c_str(), 0) == 0;
  close(g_lockFd);
  g_lockFd = -1;
  return removed;
}

bool HLQHoldsPIDFile() { return g_lockFd >= 0 || g_ownLockFd >= 0; }

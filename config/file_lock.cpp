#include "base/owned_text.h"
#include "config/file_lock.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gi18n-lib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>

namespace {

constexpr int kWaitMilliseconds = 5000;
constexpr int kPollMilliseconds = 10;
// An untrusted lock is removed only while the folder itself is locked, so
// that two writers replacing it at once cannot remove each other's new lock.
constexpr int kFolderWaitMilliseconds = 1000;

// The locks this thread holds, by lock path, with how many holders: a
// holder inside another on the same thread (a store within a checked
// change) shares its lock; other threads take locks of their own, which
// exclude one another as other processes' do.
struct Held {
  int fd;
  int holders;
};
thread_local std::map<std::string, Held> t_held;

// ".NAME.lock" beside the file that `file` names once its links are resolved,
// so that a path and a link to it share one lock; "" for a missing file.
std::string lockPathOf(const char* file, struct stat* target, std::string* folder,
                       std::string* lockName) {
  char* real = file ? realpath(file, nullptr) : nullptr;
  if (!real) return "";
  std::string path;
  if (stat(real, target) == 0) {
    g_autofree gchar* dir = g_path_get_dirname(real);
    g_autofree gchar* name = g_path_get_basename(real);
    *folder = dir;
    *lockName = std::string(".") + name + ".lock";
    path = *folder + "/" + *lockName;
  }
  free(real);
  return path;
}

// A lock only those who may change the file can hold: the file's owner's
// (or, for a group-writable file, the file's group's), with no permission
// beyond the file's write permissions, and no other name.
bool trusted(const struct stat& lock, const struct stat& target) {
  const mode_t allowed = target.st_mode & 0222;
  const bool byOwner = lock.st_uid == target.st_uid;
  const bool byGroup = (target.st_mode & 0020) && lock.st_gid == target.st_gid;
  return S_ISREG(lock.st_mode) && lock.st_nlink == 1 && (lock.st_mode & 07777 & ~allowed) == 0 &&
         (byOwner || byGroup) && (!(lock.st_mode & 0020) || lock.st_gid == target.st_gid);
}

// Creates the lock with the file's owner and group (where this process may
// give them) and the write permissions of its mode alone.
int create(const std::string& path, const struct stat& target) {
  const mode_t mode = target.st_mode & 0222;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  struct stat created {};
  if (fstat(fd, &created) != 0) return fd;
  // Failures leave it with fewer who may open it, never more.
  const uid_t owner = geteuid() == 0 ? target.st_uid : uid_t(-1);
  if ((created.st_uid != target.st_uid || created.st_gid != target.st_gid) &&
      fchown(fd, owner, target.st_gid) != 0) {
  }
  if ((created.st_mode & 07777) != mode && fchmod(fd, mode) != 0) {
  }
  return fd;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the untrusted lock `found`, if it is still under the name, while
// holding the folder's own lock. False when that cannot be done.
bool removeUntrusted(int folder, const std::string& name, const struct stat& found) {
  for (int waited = 0; flock(folder, LOCK_EX | LOCK_NB) != 0; waited += kPollMilliseconds) {
    if (errno != EWOULDBLOCK || waited >= kFolderWaitMilliseconds) return false;
    g_usleep(kPollMilliseconds * 1000);
  }
  struct stat now {};
  bool removed = fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                 sameFile(now, found) && unlinkat(folder, name.c_str(), 0) == 0;
  if (!removed && errno == ENOENT) removed = true;  // gone already: the name is free
  flock(folder, LOCK_UN);
  return removed;
}

}  // namespace

// Opens the lock file, creating it where it is missing; -1 with `problem_`
// set where something stands at the name that is not a lock to be trusted,
// -1 with `problem_` empty where the folder lets this process create none.
int HLQFileLock::openLock(const std::string& folderPath, const std::string& name,
                          const struct stat& target) {
  int folder = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return -1;
  const std::string shown = folderPath + "/" + name;
  int fd = -1;
  for (int tries = 0; tries < 5 && fd < 0 && problem_.empty(); ++tries) {
    struct stat found {};
    if (fstatat(folder, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) break;
      fd = create(shown, target);
      if (fd < 0 && errno != EEXIST) break;  // a folder this process may not change
      continue;
    }
    if (!S_ISREG(found.st_mode)) {
      // TRANSLATORS: %s is the lock file's path.
      problem_ = HLQ_OwnedText(g_strdup_printf(_("something other than a lock file stands at %s; "
                                         "nothing was written"), shown.c_str()));
      break;
    }
    if (!trusted(found, target)) {
      if (removeUntrusted(folder, name, found)) continue;
      // TRANSLATORS: %s is the lock file's path.
      problem_ = HLQ_OwnedText(g_strdup_printf(_("the lock file %s is not the configuration file "
                                         "owner's, or others may open it; nothing was written"),
                                       shown.c_str()));
      break;
    }
    fd = open(shown.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat opened {};
    if (fd >= 0 && (fstat(fd, &opened) != 0 || !sameFile(opened, found))) {
      close(fd);  // replaced since it was looked at: look again
      fd = -1;
    } else if (fd < 0 && errno == EACCES) {
      // The lock admits those who may write the file: this process may not
      // (its save says so), and cannot clash with a writer.
      break;
    } else if (fd < 0) {
      // TRANSLATORS: %s is the lock file's path; then the system's reason.
      problem_ = HLQ_OwnedText(g_strdup_printf(_("the lock file %s cannot be opened (%s); nothing was "
                                         "written"), shown.c_str(), g_strerror(errno)));
    }
  }
  close(folder);
  return fd;
}

HLQFileLock::HLQFileLock(const char* file) {
  struct stat target {};
  std::string folder, name;
  path_ = lockPathOf(file, &target, &folder, &name);
  if (path_.empty()) return;
  auto held = t_held.find(path_);
  if (held != t_held.end()) {
    ++held->second.holders;
    shared_ = true;
    return;
  }
  fd_ = openLock(folder, name, target);
  if (fd_ < 0) return;
  for (int waited = 0; flock(fd_, LOCK_EX | LOCK_NB) != 0; waited += kPollMilliseconds) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      // A file system without locks: no other writer can be kept out there.
      close(fd_);
      fd_ = -1;
      return;
    }
    if (waited >= kWaitMilliseconds) {
      problem_ = _("another program kept the file locked for more than 5 seconds; "
                   "nothing was written, try again");
      close(fd_);
      fd_ = -1;
      return;
    }
    g_usleep(kPollMilliseconds * 1000);
  }
  t_held[path_] = Held{fd_, 1};
}

HLQFileLock::~HLQFileLock() {
  if (fd_ < 0 && !shared_) return;
  auto held = t_held.find(path_);
  if (held == t_held.end() || --held->second.holders > 0) return;
  close(held->second.fd);  // closing the last descriptor releases the lock
  t_held.erase(held);
}

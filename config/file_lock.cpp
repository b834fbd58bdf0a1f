#include "config/file_lock.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gi18n-lib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

constexpr int kWaitMilliseconds = 5000;
constexpr int kPollMilliseconds = 10;

// ".NAME.lock" beside the file that `file` names once its links are resolved,
// so that a path and a link to it share one lock; "" for a missing file.
std::string lockPathOf(const char* file, struct stat* target) {
  char* real = file ? realpath(file, nullptr) : nullptr;
  if (!real) return "";
  std::string path;
  if (stat(real, target) == 0) {
    g_autofree gchar* folder = g_path_get_dirname(real);
    g_autofree gchar* name = g_path_get_basename(real);
    path = std::string(folder) + "/." + name + ".lock";
  }
  free(real);
  return path;
}

int openExisting(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// Creates the lock with the file's owner and group (where this process may
// give them) and the write permissions of its mode alone.
int create(const std::string& path, const struct stat& target) {
  const mode_t mode = target.st_mode & 0222;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return errno == EEXIST ? openExisting(path) : -1;
  struct stat created {};
  if (fstat(fd, &created) != 0) return fd;
  // Failures leave it with fewer who may open it, never more.
  if (geteuid() == 0 && (created.st_uid != target.st_uid || created.st_gid != target.st_gid) &&
      fchown(fd, target.st_uid, target.st_gid) != 0) {
  }
  if ((created.st_mode & 07777) != mode && fchmod(fd, mode) != 0) {
  }
  return fd;
}

}  // namespace

HLQFileLock::HLQFileLock(const char* file) {
  struct stat target {};
  const std::string path = lockPathOf(file, &target);
  if (path.empty()) return;
  fd_ = openExisting(path);
  if (fd_ < 0 && errno == ENOENT) fd_ = create(path, target);
  struct stat opened {};
  if (fd_ >= 0 && (fstat(fd_, &opened) != 0 || !S_ISREG(opened.st_mode))) {
    close(fd_);
    fd_ = -1;
  }
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
}

HLQFileLock::~HLQFileLock() {
  if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
}

#include "config/safe_save.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gi18n-lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

// Every step works relative to one open descriptor of the target's folder,
// so the temporary file, the rename and the folder sync all concern the same
// folder even if its path changes meanwhile.

namespace {

bool fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

bool failErrno(std::string* error, int code) { return fail(error, g_strerror(code)); }

// The file that a save really replaces: the path with every symbolic link
// resolved, split into folder and name, with its current status.
struct Target {
  std::string folder;
  std::string name;
  struct stat status {};
};

bool resolveTarget(const char* path, Target* target, std::string* error) {
  char* real = realpath(path, nullptr);
  if (!real) return failErrno(error, errno);
  gchar* folder = g_path_get_dirname(real);
  gchar* name = g_path_get_basename(real);
  target->folder = folder;
  target->name = name;
  g_free(folder);
  g_free(name);
  int statResult = stat(real, &target->status);
  int statErrno = errno;
  free(real);
  if (statResult != 0) return failErrno(error, statErrno);
  if (!S_ISREG(target->status.st_mode)) return fail(error, _("it is not a regular file"));
  return true;
}

// Creates ".<name>.XXXXXX" beside the target, readable by its creator only
// until the content is complete. Returns the descriptor or -1 with errno set.
int createTempFile(int folderFd, const std::string& name, std::string* tempName) {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = "." + name + ".";
    for (int i = 0; i < 6; ++i) candidate += kChars[g_random_int_range(0, static_cast<gint32>(sizeof kChars - 1))];
    int fd = openat(folderFd, candidate.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) {
      *tempName = candidate;
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

// Runs the producer and makes sure that every byte reached the disk: a full
// disk shows as a failed write, flush or sync.
bool writeAndSync(FILE* out, const std::function<bool(FILE*)>& write, std::string* error) {
  errno = 0;
  bool produced = write(out);
  int code = errno;
  // A failed write of the stream is the more precise reason.
  if (ferror(out)) return failErrno(error, code != 0 ? code : EIO);
  if (!produced) return fail(error, _("the new content could not be produced"));
  if (fflush(out) != 0) return failErrno(error, errno);
  if (fsync(fileno(out)) != 0) return failErrno(error, errno);
  return true;
}

// The owner and group are set before the mode, since a change of owner
// clears the set-user-ID and set-group-ID bits. A file whose owner cannot
// be kept is not saved: the daemon's file must not change hands.
bool keepOwnerAndMode(int fd, const struct stat& original, std::string* error) {
  struct stat now {};
  if (fstat(fd, &now) != 0) return failErrno(error, errno);
  bool sameOwner = now.st_uid == original.st_uid && now.st_gid == original.st_gid;
  if (!sameOwner && fchown(fd, original.st_uid, original.st_gid) != 0) {
    const char* why = g_strerror(errno);
    g_autofree gchar* reason = g_strdup_printf(_("its owner and group could not be kept: %s"), why);
    return fail(error, reason);
  }
  if (fchmod(fd, original.st_mode & 07777) != 0) return failErrno(error, errno);
  return true;
}

// Writes the complete temporary file; the stream is closed on every path.
bool fillTempFile(int fd, const Target& target, const std::function<bool(FILE*)>& write,
                  std::string* error) {
  FILE* out = fdopen(fd, "w");
  if (!out) {
    int code = errno;
    close(fd);
    return failErrno(error, code);
  }
  bool ok = writeAndSync(out, write, error) && keepOwnerAndMode(fd, target.status, error);
  if (fclose(out) != 0 && ok) return failErrno(error, errno);
  return ok;
}

// True while the folder's path still leads to the folder that we hold open.
bool folderStillInPlace(int folderFd, const Target& target, std::string* error) {
  struct stat held {}, named {};
  if (fstat(folderFd, &held) != 0) return failErrno(error, errno);
  if (stat(target.folder.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
      held.st_ino != named.st_ino)
    return fail(error, _("its folder was moved or replaced while saving"));
  return true;
}

// A rename needs only the folder's permission; the file is replaced only
// where it could also have been written in place, so that its own
// permission bits, a read-only mount of the file alone and an immutable
// flag still protect it. The check uses the effective IDs, as open would.
bool mayWriteInPlace(int folderFd, const Target& target, std::string* error) {
  if (faccessat(folderFd, target.name.c_str(), W_OK, AT_EACCESS) != 0)
    return failErrno(error, errno);
  return true;
}

bool replaceInFolder(int folderFd, const Target& target, const std::function<bool(FILE*)>& write,
                     std::string* error) {
  if (!mayWriteInPlace(folderFd, target, error)) return false;
  std::string tempName;
  int fd = createTempFile(folderFd, target.name, &tempName);
  if (fd < 0) return failErrno(error, errno);
  bool ok = fillTempFile(fd, target, write, error) && folderStillInPlace(folderFd, target, error);
  if (ok && renameat(folderFd, tempName.c_str(), folderFd, target.name.c_str()) != 0)
    ok = failErrno(error, errno);
  if (!ok) {
    unlinkat(folderFd, tempName.c_str(), 0);
    return false;
  }
  // The new content is in place; a failed folder sync cannot undo that, so
  // it is not reported as a failed save.
  fsync(folderFd);
  return true;
}

}  // namespace

bool HLQ_ReplaceFileSafely(const char* path, const std::function<bool(FILE*)>& write,
                           std::string* error) {
  if (!path) return fail(error, _("no file was named"));
  Target target;
  if (!resolveTarget(path, &target, error)) return false;
  int folderFd = open(target.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return failErrno(error, errno);
  bool ok = replaceInFolder(folderFd, target, write, error);
  close(folderFd);
  return ok;
}

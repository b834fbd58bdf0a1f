#include "config/safe_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <glib/gi18n-lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/failed.h"
#include "config/file_attributes.h"
#include "config/file_flags.h"
#include "config/overwrite_in_place.h"

// Every step works relative to one open descriptor of the target's folder,
// so the temporary file, the rename and the folder sync all concern the same
// folder even if its path changes meanwhile.

namespace {

bool failErrno(std::string* err, int code) { return HLQ_Failed(err, g_strerror(code)); }

// The file that a save really replaces: the path with every symbolic link
// resolved, split into folder and name, with its current status.
struct Target {
  std::string folder;
  std::string name;
  struct stat status {};
};

bool resolveTarget(const char* path, Target* target, std::string* err) {
  char* real = realpath(path, nullptr);
  if (!real) return failErrno(err, errno);
  gchar* folder = g_path_get_dirname(real);
  gchar* name = g_path_get_basename(real);
  target->folder = folder;
  target->name = name;
  g_free(folder);
  g_free(name);
  int statResult = stat(real, &target->status);
  int statErrno = errno;
  free(real);
  if (statResult != 0) return failErrno(err, statErrno);
  if (!S_ISREG(target->status.st_mode)) return HLQ_Failed(err, _("it is not a regular file"));
  return true;
}

const char kTempChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr size_t kTempSuffix = 6;

// ".<name>.XXXXXX": a temporary copy's name.
bool isTempName(const char* entry, const std::string& name) {
  const std::string prefix = "." + name + ".";
  const size_t length = std::strlen(entry);
  if (length != prefix.size() + kTempSuffix || prefix.compare(0, prefix.size(), entry, prefix.size()) != 0)
    return false;
  return std::strspn(entry + prefix.size(), kTempChars) == kTempSuffix;
}

// A temporary copy of the target's that a writer killed while saving left:
// a regular file of the target's owner (or this process's user, before it
// was given that owner) that no live writer holds (a writer holds its copy
// locked while it saves). Every writer of the file saves under the file's
// lock, which the caller holds.
void removeIfLeftOver(int folderFd, const char* entry, const struct stat& original) {
  int fd = openat(folderFd, entry, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat copy {}, named {};
  const bool ours = fstat(fd, &copy) == 0 && S_ISREG(copy.st_mode) && copy.st_nlink == 1 &&
                    (copy.st_uid == original.st_uid || copy.st_uid == geteuid());
  if (ours && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      fstatat(folderFd, entry, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      named.st_dev == copy.st_dev && named.st_ino == copy.st_ino)
    unlinkat(folderFd, entry, 0);
  close(fd);
}

void removeLeftOverCopies(int folderFd, const Target& target) {
  int listFd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* folder = listFd >= 0 ? fdopendir(listFd) : nullptr;
  if (!folder) {
    if (listFd >= 0) close(listFd);
    return;
  }
  while (const struct dirent* entry = readdir(folder))
    if (isTempName(entry->d_name, target.name))
      removeIfLeftOver(folderFd, entry->d_name, target.status);
  closedir(folder);
}

// Creates ".<name>.XXXXXX" beside the target, readable by its creator only
// until the content is complete, and held locked while this writer lives.
// Returns the descriptor or -1 with errno set.
int createTempFile(int folderFd, const std::string& name, std::string* tempName) {
  const char* kChars = kTempChars;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = "." + name + ".";
    for (size_t i = 0; i < kTempSuffix; ++i)
      candidate += kChars[g_random_int_range(0, static_cast<gint32>(sizeof kTempChars - 1))];
    int fd = openat(folderFd, candidate.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) {
      if (fd >= 0) flock(fd, LOCK_EX | LOCK_NB);
      *tempName = candidate;
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

// How an attempt to replace the file by a rename ended. WriteInPlace: a
// rename cannot store the content, or not without changing the file
// otherwise, but writing into the file itself may.
enum class Replacement { Done, Failed, WriteInPlace };

// Errors of the replacement after which writing in place may still store
// the content: a file the folder does not let the writer replace (a sticky
// folder, a new owner that cannot be given), a file mounted on its own, and a
// full disk or quota, which the new copy needs room for and an overwrite of
// no greater size does not.
bool inPlaceMayStore(int code) {
  return code == EPERM || code == EBUSY || code == ENOSPC || code == EDQUOT;
}

Replacement failedWith(std::string* err, int code) {
  if (inPlaceMayStore(code)) return Replacement::WriteInPlace;
  failErrno(err, code);
  return Replacement::Failed;
}

// The whole new content, produced into memory before anything is written.
bool produce(const std::function<bool(FILE*)>& write, std::string* content, std::string* err) {
  char* data = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&data, &size);
  if (!out) return failErrno(err, errno);
  bool produced = write(out) && !ferror(out);
  if (fclose(out) != 0) produced = false;
  if (produced) content->assign(data, size);
  free(data);
  return produced || HLQ_Failed(err, _("the new content could not be produced"));
}

// Writes the content into the stream and flushes it: a full disk shows as a
// failed write or flush.
Replacement writeAndFlush(FILE* out, const std::string& content, std::string* err) {
  errno = 0;
  size_t written = fwrite(content.data(), 1, content.size(), out);
  if (ferror(out) || written != content.size()) return failedWith(err, errno != 0 ? errno : EIO);
  if (fflush(out) != 0) return failedWith(err, errno);
  return Replacement::Done;
}

// The new file is given everything before its content, so that nobody the
// original does not admit can open it while the content is there (access is
// checked when a file is opened, not when it is read). The owner and group
// come first, since a change of owner clears the set-user-ID and
// set-group-ID bits; then the extended attributes, which remove an ACL
// inherited from the folder before the mode's group bits, the mask of such
// an ACL, could open it to the users the ACL names; the original's own ACL
// and mode agree, so the mode set last leaves them as they were. The flags go
// on while the file is empty, where some of them must. What the new file
// cannot be given means that a rename would change the file: the daemon's
// file must not change hands or lose access or flags.
Replacement makeLikeOriginal(int fd, int originalFd, const struct stat& original,
                             std::string* err) {
  struct stat now {};
  if (fstat(fd, &now) != 0) return failedWith(err, errno);
  bool sameOwner = now.st_uid == original.st_uid && now.st_gid == original.st_gid;
  if (!sameOwner && fchown(fd, original.st_uid, original.st_gid) != 0)
    return failedWith(err, errno);
  if (!HLQ_CopyExtendedAttributes(originalFd, fd) || !HLQ_CopyFileFlags(originalFd, fd))
    return Replacement::WriteInPlace;
  if (fchmod(fd, original.st_mode & 07777) != 0) return failedWith(err, errno);
  return Replacement::Done;
}

// Makes the temporary file like the original, writes the whole content and
// syncs it, so that the sync covers all of it. The stream is closed on every
// path.
Replacement fillTempFile(int fd, int originalFd, const struct stat& original,
                         const std::string& content, std::string* err) {
  FILE* out = fdopen(fd, "w");
  if (!out) {
    int code = errno;
    close(fd);
    return failedWith(err, code);
  }
  Replacement result = makeLikeOriginal(fd, originalFd, original, err);
  if (result == Replacement::Done) result = writeAndFlush(out, content, err);
  if (result == Replacement::Done && fsync(fd) != 0) result = failedWith(err, errno);
  if (fclose(out) != 0 && result == Replacement::Done) result = failedWith(err, errno);
  return result;
}

// True while the folder's path still leads to the folder that we hold open.
bool folderStillInPlace(int folderFd, const Target& target, std::string* err) {
  struct stat held {}, named {};
  if (fstat(folderFd, &held) != 0) return failErrno(err, errno);
  if (stat(target.folder.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
      held.st_ino != named.st_ino)
    return HLQ_Failed(err, _("its folder was moved or replaced while saving"));
  return true;
}

Replacement replaceByRename(int folderFd, const Target& target, int originalFd,
                            const struct stat& original, const std::string& content,
                            std::string* err) {
  std::string tempName;
  int fd = createTempFile(folderFd, target.name, &tempName);
  if (fd < 0) return failedWith(err, errno);
  Replacement result = fillTempFile(fd, originalFd, original, content, err);
  if (result == Replacement::Done && !folderStillInPlace(folderFd, target, err))
    result = Replacement::Failed;
  // In a sticky folder only the file's owner may replace it (EPERM); a file
  // mounted on its own cannot be replaced (EBUSY).
  if (result == Replacement::Done &&
      renameat(folderFd, tempName.c_str(), folderFd, target.name.c_str()) != 0)
    result = failedWith(err, errno);
  if (result != Replacement::Done) {
    unlinkat(folderFd, tempName.c_str(), 0);
    return result;
  }
  // The new content is in place; a failed folder sync cannot undo that, so
  // it is not reported as a failed save.
  fsync(folderFd);
  return Replacement::Done;
}

// A rename keeps the file as it is set up only when the writer may change
// the folder and the file has no other name; owner and attributes are
// checked when the new file is given them.
bool renameMayKeepFile(int folderFd, const struct stat& original) {
  return original.st_nlink == 1 && faccessat(folderFd, ".", W_OK | X_OK, AT_EACCESS) == 0;
}

// `fd` is the target, open for reading and writing.
bool saveOpenFile(int folderFd, const Target& target, int fd,
                  const std::function<bool(FILE*)>& write, std::string* err) {
  struct stat original {};
  if (fstat(fd, &original) != 0) return failErrno(err, errno);
  if (original.st_dev != target.status.st_dev || original.st_ino != target.status.st_ino)
    return HLQ_Failed(err, _("the file was replaced while saving"));
  std::string content;
  if (!produce(write, &content, err)) return false;
  // Replace by rename when that keeps everything, otherwise overwrite in
  // place. The rename leaves a reader or a crash the whole old or the whole
  // new file at every moment. Writing in place is safe against a kill only
  // for a file of one page (a kill or a power loss during the write can tear
  // a larger file), which the daemon's files are.
  if (renameMayKeepFile(folderFd, original)) {
    removeLeftOverCopies(folderFd, target);
    Replacement result = replaceByRename(folderFd, target, fd, original, content, err);
    if (result != Replacement::WriteInPlace) return result == Replacement::Done;
  }
  return HLQ_OverwriteInPlace(fd, content, err);
}

// The file is opened for writing on either path, so that it changes only
// where the caller could have written it in place: its own permission bits,
// a read-only mount of the file alone and an immutable flag still protect it
// where the folder would allow a rename. Should the name have been given to
// a FIFO or a device since it was resolved, the open neither waits nor takes
// a controlling terminal (a regular file ignores O_NONBLOCK), and the check
// of the opened file against the resolved one refuses it.
bool saveInFolder(int folderFd, const Target& target, const std::function<bool(FILE*)>& write,
                  std::string* err) {
  int fd = openat(folderFd, target.name.c_str(),
                  O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return failErrno(err, errno);
  bool ok = saveOpenFile(folderFd, target, fd, write, err);
  close(fd);
  return ok;
}

}  // namespace

bool HLQ_ReplaceFileSafely(const char* path, const std::function<bool(FILE*)>& write,
                           std::string* err) {
  if (!path) return HLQ_Failed(err, _("no file was named"));
  Target target;
  if (!resolveTarget(path, &target, err)) return false;
  int folderFd = open(target.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return failErrno(err, errno);
  bool ok = saveInFolder(folderFd, target, write, err);
  close(folderFd);
  return ok;
}

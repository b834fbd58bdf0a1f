#include "config/file_flags.h"

#include <linux/fs.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace {

// The flags that a file's owner sets and a new file can be given.
// Immutable and append-only are not among them: such a file is never saved.
constexpr int kCopied = FS_SECRM_FL | FS_UNRM_FL | FS_COMPR_FL | FS_SYNC_FL | FS_NODUMP_FL |
                        FS_NOATIME_FL | FS_NOCOMP_FL | FS_JOURNAL_DATA_FL | FS_NOTAIL_FL |
                        FS_NOCOW_FL | FS_DAX_FL;

bool getFlags(int fd, int* flags) { return ioctl(fd, FS_IOC_GETFLAGS, flags) == 0; }

bool fileSystemHasNoFlags(int code) { return code == ENOTTY || code == ENOTSUP || code == EINVAL; }

}  // namespace

bool HLQ_CopyFileFlags(int from, int to) {
  int wanted = 0, present = 0;
  if (!getFlags(from, &wanted)) return fileSystemHasNoFlags(errno);
  if (!getFlags(to, &present)) return fileSystemHasNoFlags(errno) && (wanted & kCopied) == 0;
  int flags = (present & ~kCopied) | (wanted & kCopied);
  if (flags == present) return true;
  if (ioctl(to, FS_IOC_SETFLAGS, &flags) != 0 || !getFlags(to, &present)) return false;
  if ((present & kCopied) == (wanted & kCopied)) return true;
  errno = ENOTSUP;  // the file system took flags that it does not keep
  return false;
}

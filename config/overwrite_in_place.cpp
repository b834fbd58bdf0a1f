#include "config/overwrite_in_place.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool writeAll(int fd, const std::string& data) {
  for (size_t done = 0; done < data.size();) {
    ssize_t n = pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool readAll(int fd, std::string* data) {
  struct stat status {};
  if (fstat(fd, &status) != 0) return false;
  data->resize(static_cast<size_t>(status.st_size));
  size_t done = 0;
  while (done < data->size()) {
    ssize_t n = pread(fd, &(*data)[done], data->size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;  // the file shrank meanwhile
    done += static_cast<size_t>(n);
  }
  data->resize(done);
  return true;
}

bool putBack(int fd, const std::string& old) {
  return writeAll(fd, old) && ftruncate(fd, static_cast<off_t>(old.size())) == 0 && fsync(fd) == 0;
}

}  // namespace

bool HLQ_OverwriteInPlace(int fd, const std::string& content, std::string* err) {
  std::string old;
  if (!readAll(fd, &old)) {
    if (err) *err = g_strerror(errno);
    return false;
  }
  std::string padded = content;
  if (padded.size() < old.size()) padded.append(old.size() - padded.size(), '\n');
  if (!writeAll(fd, padded) || fsync(fd) != 0) {
    std::string reason = g_strerror(errno);
    if (!putBack(fd, old)) {
      // TRANSLATORS: %s is the system's reason why the write failed.
      g_autofree gchar* worse = g_strdup_printf(
          _("%s; its old content could not be written back, so the file may be incomplete"),
          reason.c_str());
      reason = worse;
    }
    if (err) *err = reason;
    return false;
  }
  // The new content is on disk. The padding is only white space after the
  // root element, so a failure to cut it off loses nothing.
  if (ftruncate(fd, static_cast<off_t>(content.size())) == 0) fsync(fd);
  return true;
}

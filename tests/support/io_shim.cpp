// A library preloaded (LD_PRELOAD) into a process that saves a file: it
// records the calls that a save makes and can fail one of them, as a failing
// disk would. It wraps only the C library's public functions that the save
// calls directly; everything else passes through untouched.
//
//   HLQ_IO_LOG=FILE   every wrapped call appends "NAME PATH" to FILE, where
//                     PATH is the file the call concerns ("-" for a stream in
//                     memory) and NAME is "create" for an open that may create
//                     a file and "open" for any other; a failed call's line
//                     ends with " FAILED"
//   HLQ_IO_FAIL="NAME N PATTERN"  the Nth call (from 1) of NAME whose PATH
//                     matches the shell pattern PATTERN fails with EIO, or
//                     with the error number in HLQ_IO_ERRNO
//
// The ioctls that read and set a file's flags are logged as "getflags" and
// "setflags", any other as "ioctl".
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The next definition of `name`: the C library's (or a sanitizer's wrapper).
template <typename F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

std::string pathOfFd(int fd) {
  if (fd < 0) return "-";
  char link[64], target[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : "?";
}

// The path given relative to a folder descriptor, made absolute.
std::string pathAt(int folderFd, const char* path) {
  if (path[0] == '/' || folderFd == AT_FDCWD) return path;
  return pathOfFd(folderFd) + "/" + path;
}

void log(const std::string& line) {
  static int fd = -2;
  if (fd == -2) {
    const char* file = getenv("HLQ_IO_LOG");
    // A system call of its own, so that the log is not written through the
    // wrapped functions.
    fd = file ? static_cast<int>(syscall(SYS_openat, AT_FDCWD, file,
                                         O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644))
              : -1;
  }
  std::string text = line + "\n";
  if (fd >= 0 && write(fd, text.data(), text.size()) < 0) _exit(90);
}

// The call to fail, read once from HLQ_IO_FAIL.
struct Wanted {
  std::string name;
  int nth = 0;
  std::string pattern;
  int error = EIO;
};

const Wanted& wanted() {
  static const Wanted parsed = [] {
    Wanted w;
    const char* text = getenv("HLQ_IO_FAIL");
    char name[32];
    int patternStart = 0;
    if (text && sscanf(text, "%31s %d %n", name, &w.nth, &patternStart) == 2 && patternStart > 0) {
      w.name = name;
      w.pattern = text + patternStart;
    }
    if (const char* error = getenv("HLQ_IO_ERRNO")) w.error = atoi(error);
    return w;
  }();
  return parsed;
}

// Logs the call and says whether it is the one to fail.
bool shouldFail(const char* name, const std::string& path) {
  static int matching = 0;
  const Wanted& w = wanted();
  bool fail = w.name == name && fnmatch(w.pattern.c_str(), path.c_str(), 0) == 0 &&
              ++matching == w.nth;
  log(std::string(name) + " " + path + (fail ? " FAILED" : ""));
  if (fail) errno = w.error;
  return fail;
}

// A failed stream write or flush marks the stream as failed, as the C
// library does.
void markFailed(FILE* stream) { stream->_flags |= _IO_ERR_SEEN; }

}  // namespace

extern "C" {

int openat(int folderFd, const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  if (shouldFail(flags & O_CREAT ? "create" : "open", pathAt(folderFd, path))) return -1;
  return next<int (*)(int, const char*, int, ...)>("openat")(folderFd, path, flags, mode);
}

FILE* fdopen(int fd, const char* mode) {
  if (shouldFail("fdopen", pathOfFd(fd))) return nullptr;
  return next<FILE* (*)(int, const char*)>("fdopen")(fd, mode);
}

FILE* open_memstream(char** data, size_t* size) {
  if (shouldFail("open_memstream", "-")) return nullptr;
  return next<FILE* (*)(char**, size_t*)>("open_memstream")(data, size);
}

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
  if (shouldFail("fwrite", pathOfFd(fileno(stream)))) return markFailed(stream), 0;
  return next<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite")(data, size, count, stream);
}

int fflush(FILE* stream) {
  if (stream && shouldFail("fflush", pathOfFd(fileno(stream)))) return markFailed(stream), EOF;
  return next<int (*)(FILE*)>("fflush")(stream);
}

// The stream is closed either way, as the C library does when the last
// flush fails.
int fclose(FILE* stream) {
  bool fail = shouldFail("fclose", pathOfFd(fileno(stream)));
  int code = errno;
  int result = next<int (*)(FILE*)>("fclose")(stream);
  if (fail) errno = code;
  return fail ? EOF : result;
}

int fsync(int fd) {
  if (shouldFail("fsync", pathOfFd(fd))) return -1;
  return next<int (*)(int)>("fsync")(fd);
}

int fdatasync(int fd) {
  if (shouldFail("fdatasync", pathOfFd(fd))) return -1;
  return next<int (*)(int)>("fdatasync")(fd);
}

int fchmod(int fd, mode_t mode) {
  if (shouldFail("fchmod", pathOfFd(fd))) return -1;
  return next<int (*)(int, mode_t)>("fchmod")(fd, mode);
}

int fsetxattr(int fd, const char* name, const void* value, size_t size, int flags) {
  if (shouldFail("fsetxattr", pathOfFd(fd))) return -1;
  return next<int (*)(int, const char*, const void*, size_t, int)>("fsetxattr")(fd, name, value,
                                                                                 size, flags);
}

int fremovexattr(int fd, const char* name) {
  if (shouldFail("fremovexattr", pathOfFd(fd))) return -1;
  return next<int (*)(int, const char*)>("fremovexattr")(fd, name);
}

int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  const char* name = request == FS_IOC_GETFLAGS   ? "getflags"
                     : request == FS_IOC_SETFLAGS ? "setflags"
                                                  : "ioctl";
  if (shouldFail(name, pathOfFd(fd))) return -1;
  return next<int (*)(int, unsigned long, void*)>("ioctl")(fd, request, argument);
}

int renameat(int fromFd, const char* from, int toFd, const char* to) {
  if (shouldFail("renameat", pathAt(fromFd, from) + " " + pathAt(toFd, to))) return -1;
  return next<int (*)(int, const char*, int, const char*)>("renameat")(fromFd, from, toFd, to);
}

int rename(const char* from, const char* to) {
  if (shouldFail("rename", std::string(from) + " " + to)) return -1;
  return next<int (*)(const char*, const char*)>("rename")(from, to);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  if (shouldFail("pwrite", pathOfFd(fd))) return -1;
  return next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite")(fd, data, size, offset);
}

ssize_t pread(int fd, void* data, size_t size, off_t offset) {
  if (shouldFail("pread", pathOfFd(fd))) return -1;
  return next<ssize_t (*)(int, void*, size_t, off_t)>("pread")(fd, data, size, offset);
}

int ftruncate(int fd, off_t length) {
  if (shouldFail("ftruncate", pathOfFd(fd))) return -1;
  return next<int (*)(int, off_t)>("ftruncate")(fd, length);
}

}  // extern "C"

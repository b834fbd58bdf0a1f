#include "tests/support/temp_dir.h"

#include <gio/gio.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <stdexcept>

namespace {
void removeTree(const std::string& path) {
  GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
  if (dir) {
    while (const char* name = g_dir_read_name(dir)) {
      std::string child = path + "/" + name;
      struct stat st{};
      if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        chmod(child.c_str(), 0700);
        removeTree(child);
      } else {
        g_unlink(child.c_str());
      }
    }
    g_dir_close(dir);
  }
  g_rmdir(path.c_str());
}
}  // namespace

TempDir::TempDir() {
  gchar* made = g_dir_make_tmp("hlqtest-XXXXXX", nullptr);
  if (!made) throw std::runtime_error("cannot make a temporary folder");
  path_ = made;
  g_free(made);
}

TempDir::~TempDir() {
  chmod(path_.c_str(), 0700);
  removeTree(path_);
}

std::string HLQTest_ReadFile(const std::string& path) {
  gchar* content = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &content, &length, nullptr))
    throw std::runtime_error("cannot read " + path);
  std::string text(content, length);
  g_free(content);
  return text;
}

void HLQTest_WriteFile(const std::string& path, const std::string& content) {
  if (!g_file_set_contents(path.c_str(), content.data(), static_cast<gssize>(content.size()),
                           nullptr))
    throw std::runtime_error("cannot write " + path);
}

bool HLQTest_FileExists(const std::string& path) {
  struct stat st{};
  return lstat(path.c_str(), &st) == 0;
}

int HLQTest_FileFlags(const std::string& path, int set) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = set;
  bool ok = fd >= 0 && ioctl(fd, set < 0 ? FS_IOC_GETFLAGS : FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) close(fd);
  return ok ? flags : -1;
}

void HLQTest_CopySample(const std::string& sampleName, const std::string& path) {
  HLQTest_WriteFile(path, HLQTest_ReadFile(std::string(HLQ_SOURCE_DIR "/data/") + sampleName));
}

std::vector<std::string> HLQTest_FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
  while (const char* name = dir ? g_dir_read_name(dir) : nullptr)
    if (!g_str_has_prefix(name, ".") || !g_str_has_suffix(name, ".lock")) names.push_back(name);
  if (dir) g_dir_close(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool HLQTest_WithFileSizeLimit(rlim_t bytes, const std::function<void()>& body) {
  struct rlimit saved {};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
  struct rlimit tiny = saved;
  tiny.rlim_cur = bytes;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  if (setrlimit(RLIMIT_FSIZE, &tiny) != 0) {
    std::signal(SIGXFSZ, previous);
    return false;
  }
  body();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  return true;
}

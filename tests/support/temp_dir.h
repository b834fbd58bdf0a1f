// A temporary folder that lives as long as the test, and small file helpers.
#pragma once

#include <sys/resource.h>

#include <functional>
#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string HLQTest_ReadFile(const std::string& path);
void HLQTest_WriteFile(const std::string& path, const std::string& content);
bool HLQTest_FileExists(const std::string& path);
// A file's or folder's file-system flags, or with `set` given sets them and
// returns it; -1 when the file system has none or refuses them.
int HLQTest_FileFlags(const std::string& path, int set = -1);
// Copies a file of the source tree's data/ folder to `path`.
void HLQTest_CopySample(const std::string& sampleName, const std::string& path);
// The names in a folder (without "." and ".."), sorted; empty when it cannot
// be read. The writers' lock files (".NAME.lock"), which stay by design, are
// left out.
std::vector<std::string> HLQTest_FolderEntries(const std::string& folder);
// Runs `body` with files limited to `bytes`, so that writes beyond it fail
// (for root as well) instead of raising SIGXFSZ; the limit and the signal's
// handling are restored afterwards. False, with `body` not run, when the limit
// cannot be set.
bool HLQTest_WithFileSizeLimit(rlim_t bytes, const std::function<void()>& body);

// A temporary folder that lives as long as the test, and small file helpers.
#pragma once

#include <string>

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
// Copies a file of the source tree's data/ folder to `path`.
void HLQTest_CopySample(const std::string& sampleName, const std::string& path);

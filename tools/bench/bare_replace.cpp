#include "tools/bench/bare_replace.h"

#include <fcntl.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool syncFolderOf(const std::string& path) {
  std::string folder = path.substr(0, path.rfind('/') + 1);
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

}  // namespace

bool BenchBareLoadChangeReplace(const char* path) {
  tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
  if (doc.LoadFile(path) != tinyxml2::XML_SUCCESS) return false;
  tinyxml2::XMLElement* root = doc.FirstChildElement("VCP");
  tinyxml2::XMLElement* section = root ? root->FirstChildElement() : nullptr;
  tinyxml2::XMLElement* key = section ? section->FirstChildElement() : nullptr;
  if (!key) return false;
  std::string text = key->GetText() ? key->GetText() : "";
  key->SetText(text.c_str());

  std::string temp = std::string(path) + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  FILE* out = fdopen(fd, "w");
  bool written = out && doc.SaveFile(out) == tinyxml2::XML_SUCCESS && std::fflush(out) == 0 &&
                 fsync(fd) == 0;
  written = (out ? std::fclose(out) == 0 : close(fd) == 0) && written;
  if (!written || std::rename(temp.c_str(), path) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return syncFolderOf(path);
}

#include "config/file_attributes.h"

#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace {

// Calls `get` with a growing buffer until the whole answer fits: another
// process may add to the file's attributes between asking for the size and
// asking for the data.
template <typename Get>
bool readGrowing(Get get, std::vector<char>* out) {
  for (;;) {
    ssize_t size = get(nullptr, 0);
    if (size < 0) return false;
    out->resize(static_cast<size_t>(size));
    if (size == 0) return true;
    ssize_t got = get(out->data(), out->size());
    if (got >= 0) {
      out->resize(static_cast<size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
}

bool attributeNames(int fd, std::vector<std::string>* names) {
  std::vector<char> list;
  bool listed = readGrowing([fd](char* buffer, size_t size) { return flistxattr(fd, buffer, size); },
                            &list);
  if (!listed) return errno == ENOTSUP;
  for (size_t start = 0; start < list.size();) {
    std::string name(list.data() + start);
    start += name.size() + 1;
    names->push_back(name);
  }
  return true;
}

}  // namespace

bool HLQ_CopyExtendedAttributes(int from, int to) {
  std::vector<std::string> wanted, present;
  if (!attributeNames(from, &wanted) || !attributeNames(to, &present)) return false;
  for (const std::string& name : present)
    if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() &&
        fremovexattr(to, name.c_str()) != 0 && errno != ENODATA)
      return false;
  for (const std::string& name : wanted) {
    std::vector<char> value;
    auto get = [&](char* buffer, size_t size) { return fgetxattr(from, name.c_str(), buffer, size); };
    if (!readGrowing(get, &value) || fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0)
      return false;
  }
  return true;
}

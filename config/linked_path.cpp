#include "config/linked_path.h"
#include "base/failed.h"
#include "base/owned_text.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <deque>
#include <vector>

namespace {

// As many links as the kernel follows in one path before it gives up.
constexpr int kMostLinks = 40;

struct Visited {
  std::string path;
  struct stat info;
};

std::deque<std::string> componentsOf(const std::string& path) {
  std::deque<std::string> components;
  g_auto(GStrv) parts = g_strsplit(path.c_str(), "/", -1);
  for (gchar** part = parts; *part; ++part)
    if (**part && g_strcmp0(*part, ".") != 0) components.push_back(*part);
  return components;
}

bool rootsAlone(const struct stat& info) {
  return info.st_uid == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string notRootsAlone(const char* path, const Visited& visited) {
  // TRANSLATORS: %s is the daemon's file, then a file or folder on the way
  // to it; %u its owner's user ID and %04o its permissions.
  const char* format = _("%s is reached through a symbolic link, and %s on the way belongs to "
                         "user %u with permissions %04o; links are followed only through files "
                         "and folders that root alone may change");
  return HLQ_OwnedText(g_strdup_printf(format, path, visited.path.c_str(), unsigned(visited.info.st_uid),
                               unsigned(visited.info.st_mode & 07777)));
}

}  // namespace

bool HLQ_CheckLinkedPath(const char* path, std::string* err) {
  if (!path || path[0] != '/') return true;
  std::deque<std::string> rest = componentsOf(path);
  std::string current = "/";
  std::vector<Visited> onTheWay(1, Visited{"/", {}});
  if (lstat("/", &onTheWay[0].info) != 0) return true;
  int links = 0;
  while (!rest.empty()) {
    const std::string name = rest.front();
    rest.pop_front();
    if (name == "..") {
      g_autofree gchar* parent = g_path_get_dirname(current.c_str());
      current = parent;
      continue;
    }
    const std::string next = current == "/" ? "/" + name : current + "/" + name;
    Visited visited{next, {}};
    if (lstat(next.c_str(), &visited.info) != 0) break;
    onTheWay.push_back(visited);
    if (!S_ISLNK(visited.info.st_mode)) {
      current = next;
      continue;
    }
    char target[PATH_MAX];
    const ssize_t length = readlink(next.c_str(), target, sizeof target - 1);
    if (length < 0 || ++links > kMostLinks) break;
    target[length] = '\0';
    if (target[0] == '/') current = "/";
    std::deque<std::string> through = componentsOf(target);
    rest.insert(rest.begin(), through.begin(), through.end());
  }
  if (links == 0) return true;
  // A link's own permissions mean nothing; its owner and the folder it lies in do.
  for (const Visited& visited : onTheWay) {
    const bool ok = S_ISLNK(visited.info.st_mode) ? visited.info.st_uid == 0 : rootsAlone(visited.info);
    if (!ok) return HLQ_Failed(err, notRootsAlone(path, visited));
  }
  return true;
}

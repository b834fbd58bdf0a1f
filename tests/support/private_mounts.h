// For tests that need a small file system that is full, a read-only mount, or
// an ordinary user's view of file permissions, whoever runs them: a mount
// namespace of the test process's own (with a user namespace where the user
// is not root), mount helpers, and a guard that lays privileges aside.
#pragma once

#include <cstddef>
#include <string>

// Gives this process mounts of its own, which vanish with it. Root enters a
// new mount namespace; anyone else (or root where that is refused) a new
// user namespace as well, in which the user stays themselves. Must run
// while the process has one thread, that is before GTK starts.
// Returns "" or why it failed.
std::string HLQTest_EnterPrivateMounts();
// "" once HLQTest_EnterPrivateMounts succeeded, otherwise its reason (also
// when it was never called).
const std::string& HLQTest_PrivateMountsProblem();

// Each returns "" or why it failed.
std::string HLQTest_MountTmpfs(const std::string& folder, size_t bytes);
// Binds a file or folder onto itself, read-only.
std::string HLQTest_BindReadOnly(const std::string& path);
// Writes `file` until the file system that holds it has no room left.
std::string HLQTest_FillFileSystem(const std::string& file);
void HLQTest_Unmount(const std::string& path);

// True when the process may write files whatever their permission bits say
// (root, or anyone inside their own user namespace).
bool HLQTest_CanOverridePermissions();

// While it lives, the process has no effective capabilities, so permission
// bits bind it as they bind an ordinary user, root included.
class WithoutPrivileges {
 public:
  WithoutPrivileges();
  ~WithoutPrivileges();
  WithoutPrivileges(const WithoutPrivileges&) = delete;
  WithoutPrivileges& operator=(const WithoutPrivileges&) = delete;
  bool ok() const { return ok_; }

 private:
  unsigned saved_[2] = {0, 0};
  bool ok_ = false;
};

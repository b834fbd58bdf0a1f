#include "tests/support/private_mounts.h"

#include <fcntl.h>
#include <glib.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

std::string g_problem = "no private mount namespace was entered";

std::string reason(const std::string& what) { return what + ": " + g_strerror(errno); }

bool writeProcFile(const char* path, const std::string& text) {
  int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return ok;
}

// A user namespace in which the user keeps their own IDs, and with it the
// capabilities to mount within the new mount namespace.
std::string enterUserNamespace() {
  uid_t uid = geteuid();
  gid_t gid = getegid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return reason("unshare(user and mount namespaces)");
  if (!writeProcFile("/proc/self/setgroups", "deny") ||
      !writeProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
      !writeProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1"))
    return reason("mapping the user into the user namespace");
  return "";
}

struct Capabilities {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
};

bool getCapabilities(Capabilities* caps) {
  return syscall(SYS_capget, &caps->header, caps->data) == 0;
}

bool setCapabilities(Capabilities* caps) {
  return syscall(SYS_capset, &caps->header, caps->data) == 0;
}

}  // namespace

std::string HLQTest_EnterPrivateMounts() {
  std::string problem;
  if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0) problem = enterUserNamespace();
  // Mounts made here must not show through to the rest of the system.
  if (problem.empty() && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    problem = reason("making the mounts private");
  g_problem = problem;
  return problem;
}

const std::string& HLQTest_PrivateMountsProblem() { return g_problem; }

std::string HLQTest_MountTmpfs(const std::string& folder, size_t bytes) {
  std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
  if (mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
    return reason("mounting a tmpfs on " + folder);
  return "";
}

std::string HLQTest_BindReadOnly(const std::string& path) {
  if (mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0)
    return reason("binding " + path);
  // The new mount carries the flags of the tmpfs it came from; a remount
  // must repeat them.
  unsigned long flags = MS_REMOUNT | MS_BIND | MS_RDONLY | MS_NOSUID | MS_NODEV;
  if (mount(nullptr, path.c_str(), nullptr, flags, nullptr) != 0)
    return reason("making " + path + " read-only");
  return "";
}

std::string HLQTest_FillFileSystem(const std::string& file) {
  FILE* filler = std::fopen(file.c_str(), "w");
  if (!filler) return reason("creating " + file);
  std::string block(4096, 'f');
  while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
         std::fflush(filler) == 0) {
  }
  int code = errno;
  std::fclose(filler);
  struct statvfs fs {};
  if (statvfs(file.c_str(), &fs) != 0) return reason("examining the full file system");
  if (code != ENOSPC || fs.f_bavail != 0)
    return "the file system did not fill up: " + std::string(g_strerror(code));
  return "";
}

void HLQTest_Unmount(const std::string& path) { umount2(path.c_str(), MNT_DETACH); }

bool HLQTest_CanOverridePermissions() {
  Capabilities caps;
  return getCapabilities(&caps) && (caps.data[0].effective & (1u << CAP_DAC_OVERRIDE)) != 0;
}

WithoutPrivileges::WithoutPrivileges() {
  Capabilities caps;
  if (!getCapabilities(&caps)) return;
  saved_[0] = caps.data[0].effective;
  saved_[1] = caps.data[1].effective;
  caps.data[0].effective = caps.data[1].effective = 0;
  ok_ = setCapabilities(&caps);
}

WithoutPrivileges::~WithoutPrivileges() {
  Capabilities caps;
  if (!ok_ || !getCapabilities(&caps)) return;
  caps.data[0].effective = saved_[0];
  caps.data[1].effective = saved_[1];
  setCapabilities(&caps);
}

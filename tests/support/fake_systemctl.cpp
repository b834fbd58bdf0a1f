#include "tests/support/fake_systemctl.h"

#include <sys/stat.h>

#include <cstdlib>

FakeSystemctl::FakeSystemctl(int exitStatus) {
  std::string script = dir_.file("systemctl");
  HLQTest_WriteFile(script, "#!/bin/sh\necho \"$@\" >> '" + dir_.file("calls") + "'\nexit " +
                                std::to_string(exitStatus) + "\n");
  chmod(script.c_str(), 0755);
  const char* path = std::getenv("PATH");
  oldPath_ = path ? path : "/usr/bin:/bin";
  setenv("PATH", (dir_.path() + ":" + oldPath_).c_str(), 1);
}

FakeSystemctl::~FakeSystemctl() { setenv("PATH", oldPath_.c_str(), 1); }

std::string FakeSystemctl::calls() const {
  return HLQTest_FileExists(dir_.file("calls")) ? HLQTest_ReadFile(dir_.file("calls")) : "";
}

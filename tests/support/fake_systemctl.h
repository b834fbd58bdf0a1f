// A stand-in `systemctl`, first on PATH for the life of the object, that
// records its arguments and exits with a chosen status.
#pragma once

#include <string>

#include "tests/support/temp_dir.h"

class FakeSystemctl {
 public:
  explicit FakeSystemctl(int exitStatus);
  ~FakeSystemctl();
  // One line per call, the arguments separated by blanks.
  std::string calls() const;

 private:
  TempDir dir_;
  std::string oldPath_;
};

// The crash test's victim: writes the numbered write sequence to a
// configuration file through the configuration layer, without end, until it
// is killed.
//
//   hlq_crash_writer FILE FIRST
//
// It prints "ready" once started, then, before each write, the write's
// number: when it is killed, every write before the last number printed has
// completed and the last one may or may not have. A write that is not stored
// ends it with "failed N: REASON" and exit status 2.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/crash_sequence.h"

namespace {

// Unbuffered, so that everything printed before the kill reaches the pipe.
void say(const std::string& line) {
  std::string text = line + "\n";
  for (size_t done = 0; done < text.size();) {
    ssize_t n = write(STDOUT_FILENO, text.data() + done, text.size() - done);
    if (n <= 0) _exit(3);
    done += static_cast<size_t>(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FILE FIRST\n", argv[0]);
    return 1;
  }
  const char* file = argv[1];
  uint64_t n = std::strtoull(argv[2], nullptr, 10);

  HXMLWRAPPER config = xmlwrapper_create();
  say("ready");
  // A bound, in case no kill ever comes.
  for (uint64_t last = n + 100000; n < last; ++n) {
    say(std::to_string(n));
    WriteResult result = HLQCrash_Write(config, file, n);
    if (!result.stored()) {
      say("failed " + std::to_string(n) + ": " + result.reason);
      return 2;
    }
  }
  xmlwrapper_destroy(config);
  return 0;
}

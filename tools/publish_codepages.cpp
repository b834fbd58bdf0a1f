// hlq_publish_codepages: stands in for the daemon where it does not run, by
// publishing a printer code page record in shared memory (or removing it).
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/fixed_paths.h"
#include "devices/codepage_record.h"

namespace {

constexpr int kUsageError = 2;

void printUsage(FILE* out) {
  std::fprintf(out,
               "usage: hlq_publish_codepages [--name NAME] CODEPAGE...\n"
               "       hlq_publish_codepages [--name NAME] --empty\n"
               "       hlq_publish_codepages [--name NAME] --remove\n"
               "\n"
               "Publishes the printer code page record that the configuration tool reads,\n"
               "holding the given code page numbers (1 to %d of them, each 0 to 65535), or\n"
               "a record with none (--empty), or removes the record (--remove).\n"
               "NAME is the shared memory object, \"/\" and a name without further \"/\"\n"
               "(default %s).\n",
               HLQ_CODEPAGE_MAX_ENTRIES, HLQ_CODEPAGE_SHM_NAME);
}

int usageError(const std::string& problem) {
  std::fprintf(stderr, "hlq_publish_codepages: %s\n\n", problem.c_str());
  printUsage(stderr);
  return kUsageError;
}

std::optional<uint16_t> parseCodepage(const char* text) {
  if (*text < '0' || *text > '9') return std::nullopt;  // no sign, no blank
  errno = 0;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (errno != 0 || *end != '\0' || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

bool isObjectName(const std::string& name) {
  return name.size() > 1 && name[0] == '/' && name.find('/', 1) == std::string::npos;
}

int publish(const char* name, const std::vector<uint16_t>& codepages) {
  uint8_t record[HLQ_CODEPAGE_RECORD_SIZE];
  HLQ_BuildCodepageRecord(codepages, record);
  const int fd = shm_open(name, O_CREAT | O_RDWR, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "hlq_publish_codepages: cannot open %s: %s\n", name, std::strerror(errno));
    return 1;
  }
  bool written = ftruncate(fd, sizeof record) == 0 &&
                 pwrite(fd, record, sizeof record, 0) == static_cast<ssize_t>(sizeof record);
  const int error = errno;
  close(fd);
  if (!written) {
    std::fprintf(stderr, "hlq_publish_codepages: cannot write %s: %s\n", name, std::strerror(error));
    return 1;
  }
  std::printf("published %zu code page(s) in %s\n", codepages.size(), name);
  return 0;
}

int removeRecord(const char* name) {
  if (shm_unlink(name) == 0) {
    std::printf("removed %s\n", name);
    return 0;
  }
  if (errno == ENOENT) {  // already gone: what was asked for holds
    std::printf("no record in %s\n", name);
    return 0;
  }
  std::fprintf(stderr, "hlq_publish_codepages: cannot remove %s: %s\n", name, std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string name = HLQ_CODEPAGE_SHM_NAME;
  bool remove = false;
  bool empty = false;
  std::vector<uint16_t> codepages;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      printUsage(stdout);
      return 0;
    } else if (arg == "--remove") {
      remove = true;
    } else if (arg == "--empty") {
      empty = true;
    } else if (arg == "--name") {
      if (++i == argc) return usageError("--name needs an object name");
      name = argv[i];
      if (!isObjectName(name)) return usageError("not a shared memory object name: \"" + name + "\"");
    } else if (auto codepage = parseCodepage(argv[i])) {
      codepages.push_back(*codepage);
    } else {
      return usageError("not a code page number from 0 to 65535: \"" + arg + "\"");
    }
  }
  if (remove + empty + !codepages.empty() != 1)
    return usageError("give code page numbers, --empty or --remove (one of them)");
  if (codepages.size() > static_cast<size_t>(HLQ_CODEPAGE_MAX_ENTRIES))
    return usageError("at most " + std::to_string(HLQ_CODEPAGE_MAX_ENTRIES) +
                      " code pages fit in the record, " + std::to_string(codepages.size()) +
                      " were given");
  return remove ? removeRecord(name.c_str()) : publish(name.c_str(), codepages);
}

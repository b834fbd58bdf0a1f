// Fuzzes the printer's code page record: the parser over any 512 bytes, the
// builder over any list of code pages, and the copy out of a shared memory
// object of any size (the daemon may publish a shorter one).
#include "devices/codepage_record.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Record = uint8_t[HLQ_CODEPAGE_RECORD_SIZE];

[[noreturn]] void fault(const char* what, long a = 0, long b = 0) {
  std::fprintf(stderr, "\nFAULT: %s (%ld, %ld)\n", what, a, b);
  std::abort();
}

// How many entries the length field announces: entry k needs L >= 3k + 21.
size_t announcedEntries(const Record& record) {
  const long length = record[1] | (record[2] << 8);
  if (length < 24) return 0;
  return std::min<long>((length - 24) / 3 + 1, HLQ_CODEPAGE_MAX_ENTRIES);
}

void checkParsed(const Record& record, const std::vector<uint16_t>& codepages) {
  if (codepages.size() > HLQ_CODEPAGE_MAX_ENTRIES) fault("more than 29 entries", codepages.size());
  if (codepages.size() != announcedEntries(record))
    fault("entry count does not follow the length", codepages.size(), announcedEntries(record));
  for (size_t k = 0; k < codepages.size(); ++k) {
    const uint8_t* entry = record + 25 + 3 * k;
    if (codepages[k] != ((entry[0] << 8) | entry[1]))
      fault("entry differs from its bytes (high byte first)", k + 1, codepages[k]);
  }
}

// What is built parses back to the same list (the first 29 of it).
void checkRoundTrip(const std::vector<uint16_t>& codepages) {
  Record built;
  HLQ_BuildCodepageRecord(codepages, built);
  std::vector<uint16_t> kept(codepages.begin(),
                             codepages.begin() + std::min<size_t>(codepages.size(),
                                                                  HLQ_CODEPAGE_MAX_ENTRIES));
  const std::vector<uint16_t> parsed = HLQ_ParseCodepageRecord(built);
  if (parsed != kept) fault("built record parses differently", parsed.size(), kept.size());
  checkParsed(built, parsed);
}

// A shared memory object holding exactly the input: the copy holds its first
// 512 bytes and zeros after a shorter object.
void checkCopy(const uint8_t* data, size_t size) {
  static const std::string name = "/hlq-fuzz-record-" + std::to_string(getpid());
  const int fd = shm_open(name.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0600);
  if (fd < 0) fault("cannot create the shared memory object");
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) fault("cannot fill it");
  close(fd);
  Record copy;
  std::memset(copy, 0xAA, sizeof copy);
  const bool copied = HLQ_CopyCodepageRecord(name.c_str(), copy);
  shm_unlink(name.c_str());
  if (!copied) fault("an existing object could not be copied", size);
  const size_t held = std::min(size, sizeof copy);
  if (std::memcmp(copy, data, held) != 0) fault("copy differs from the object", held);
  for (size_t i = held; i < sizeof copy; ++i)
    if (copy[i] != 0) fault("byte past a short object is not zero", i, copy[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Record record = {};
  std::memcpy(record, data, std::min(size, sizeof record));
  const std::vector<uint16_t> parsed = HLQ_ParseCodepageRecord(record);
  checkParsed(record, parsed);
  checkRoundTrip(parsed);

  // The input read as a list of code pages, two bytes each.
  std::vector<uint16_t> list;
  for (size_t i = 0; i + 1 < size && list.size() < 64; i += 2)
    list.push_back(static_cast<uint16_t>((data[i] << 8) | data[i + 1]));
  checkRoundTrip(list);

  checkCopy(data, size);
  return 0;
}

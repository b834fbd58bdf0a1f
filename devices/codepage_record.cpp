#include "devices/codepage_record.h"

#include <fcntl.h>
#include <sys/mman.h>  // shm_open
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Entry k's number starts here; its third byte is not ours to interpret.
constexpr size_t entryOffset(int k) { return 25 + 3 * (k - 1); }

// Entry k is present when both bytes of its number lie within the L bytes
// that follow the length field.
constexpr unsigned lengthHolding(int k) { return 3 * k + 21; }

}  // namespace

std::vector<uint16_t> HLQ_ParseCodepageRecord(const uint8_t (&record)[HLQ_CODEPAGE_RECORD_SIZE]) {
  const unsigned length = record[1] | (record[2] << 8);  // little-endian
  std::vector<uint16_t> codepages;
  for (int k = 1; k <= HLQ_CODEPAGE_MAX_ENTRIES && length >= lengthHolding(k); ++k) {
    const size_t at = entryOffset(k);
    codepages.push_back(static_cast<uint16_t>((record[at] << 8) | record[at + 1]));  // big-endian
  }
  return codepages;
}

void HLQ_BuildCodepageRecord(const std::vector<uint16_t>& codepages,
                             uint8_t (&record)[HLQ_CODEPAGE_RECORD_SIZE]) {
  std::memset(record, 0, sizeof record);
  const int count = std::min<int>(codepages.size(), HLQ_CODEPAGE_MAX_ENTRIES);
  const unsigned length = count == 0 ? 0 : lengthHolding(count);
  record[1] = length & 0xff;
  record[2] = length >> 8;
  for (int k = 1; k <= count; ++k) {
    record[entryOffset(k)] = codepages[k - 1] >> 8;
    record[entryOffset(k) + 1] = codepages[k - 1] & 0xff;
  }
}

bool HLQ_CopyCodepageRecord(const char* name, uint8_t (&record)[HLQ_CODEPAGE_RECORD_SIZE]) {
  std::memset(record, 0, sizeof record);
  // Any local user may own this name, so nothing in it is trusted: the open
  // must not wait (on a FIFO it would until a writer came), only a regular
  // file is read, and the bytes are taken with read calls rather than from a
  // mapping, which raises SIGBUS once its owner shrinks the object.
  const int fd = shm_open(name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0400);
  if (fd < 0) return false;
  struct stat info;
  bool copied = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  for (size_t held = 0; copied && held < sizeof record;) {
    const ssize_t got = pread(fd, record + held, sizeof record - held, held);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {  // the end of a shorter object: the rest stays zero
      copied = got == 0;
      break;
    }
    held += got;
  }
  close(fd);
  if (!copied) std::memset(record, 0, sizeof record);
  return copied;
}

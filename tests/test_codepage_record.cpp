#include "devices/codepage_record.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Record = uint8_t[HLQ_CODEPAGE_RECORD_SIZE];
using Codepages = std::vector<uint16_t>;

void setLength(Record& record, unsigned length) {
  record[1] = length & 0xff;
  record[2] = length >> 8;
}

// A record whose 29 entry slots hold 1001, 1002, ... 1029, with length L.
void fillEntries(Record& record, unsigned length) {
  std::memset(record, 0, sizeof record);
  setLength(record, length);
  for (int k = 1; k <= 29; ++k) {
    record[22 + 3 * k] = (1000 + k) >> 8;
    record[23 + 3 * k] = (1000 + k) & 0xff;
  }
}

Codepages firstOf1001(int count) {
  Codepages numbers;
  for (int k = 1; k <= count; ++k) numbers.push_back(1000 + k);
  return numbers;
}

// A shared memory object of this test process, removed when it goes.
class ShmObject {
 public:
  ShmObject() : name_("/hlq_test_record_" + std::to_string(getpid()) + "_" + std::to_string(++count_)) {}
  ~ShmObject() {
    shm_unlink(name_.c_str());
    rmdir(path().c_str());
  }
  const char* name() const { return name_.c_str(); }
  std::string path() const { return "/dev/shm" + name_; }
  void write(const void* bytes, size_t byteCount, size_t objectSize) const {
    const int fd = shm_open(name_.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, objectSize), 0);
    ASSERT_EQ(pwrite(fd, bytes, byteCount, 0), static_cast<ssize_t>(byteCount));
    close(fd);
  }

 private:
  static inline int count_ = 0;
  std::string name_;
};

int openDescriptors() {
  int count = 0;
  for (int fd = 0; fd < 1024; ++fd)
    if (fcntl(fd, F_GETFD) != -1) ++count;
  return count;
}

bool isMapped(const char* objectName) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find(objectName) != std::string::npos) return true;
  return false;
}

}  // namespace

TEST(CodepageRecordParser, EntryCountFollowsTheLength) {
  const struct {
    unsigned length;
    int entries;
  } cases[] = {{0, 0}, {23, 0}, {24, 1}, {26, 1}, {27, 2}, {48, 9}, {105, 28},
               {107, 28}, {108, 29}, {109, 29}, {300, 29}, {65535, 29}};
  Record record;
  for (const auto& c : cases) {
    fillEntries(record, c.length);
    EXPECT_EQ(HLQ_ParseCodepageRecord(record), firstOf1001(c.entries)) << "L = " << c.length;
  }
}

TEST(CodepageRecordParser, NothingPastTheTwentyNinthEntryIsRead) {
  Record record;
  fillEntries(record, 65535);
  std::memset(record + 111, 0xff, sizeof record - 111);  // where a 30th entry would lie
  EXPECT_EQ(HLQ_ParseCodepageRecord(record), firstOf1001(29));
}

TEST(CodepageRecordParser, LengthIsLittleEndianAndNumbersBigEndian) {
  Record record{};
  record[1] = 27;  // low byte of L = 27: two entries
  record[2] = 0;
  record[25] = 0x01;
  record[26] = 0xB5;
  record[27] = 0x99;  // third byte of an entry: not part of the number
  record[28] = 0x03;
  record[29] = 0x52;
  EXPECT_EQ(HLQ_ParseCodepageRecord(record), (Codepages{437, 850}));

  record[1] = 0;  // L = 27 * 256 read the other way round would be 6912
  record[2] = 27;
  EXPECT_EQ(HLQ_ParseCodepageRecord(record).size(), 29u);
  record[1] = 23;
  record[2] = 0;
  EXPECT_TRUE(HLQ_ParseCodepageRecord(record).empty());
}

TEST(CodepageRecordBuilder, RoundTripsThroughTheParser) {
  for (const Codepages& numbers : {Codepages{}, Codepages{437}, Codepages{0, 65535, 1252},
                                   firstOf1001(9), firstOf1001(29)}) {
    Record record;
    std::memset(record, 0xaa, sizeof record);
    HLQ_BuildCodepageRecord(numbers, record);
    EXPECT_EQ(HLQ_ParseCodepageRecord(record), numbers) << numbers.size() << " entries";
  }
}

TEST(CodepageRecordBuilder, WritesTheDaemonsLayout) {
  Record record;
  HLQ_BuildCodepageRecord({437, 1252}, record);
  EXPECT_EQ(record[1], 27);  // 3n + 21
  EXPECT_EQ(record[2], 0);
  EXPECT_EQ(record[25], 0x01);
  EXPECT_EQ(record[26], 0xB5);
  EXPECT_EQ(record[28], 0x04);
  EXPECT_EQ(record[29], 0xE4);
  for (size_t i = 30; i < sizeof record; ++i) ASSERT_EQ(record[i], 0) << "offset " << i;

  HLQ_BuildCodepageRecord({}, record);
  EXPECT_EQ(record[1], 0);
  EXPECT_EQ(record[2], 0);
}

TEST(CodepageRecordBuilder, KeepsAtMostTwentyNine) {
  Record record;
  HLQ_BuildCodepageRecord(firstOf1001(35), record);
  EXPECT_EQ(record[1] | (record[2] << 8), 108);
  EXPECT_EQ(HLQ_ParseCodepageRecord(record), firstOf1001(29));
}

TEST(CodepageRecordCopy, MissingObjectIsNotRead) {
  ShmObject missing;
  Record record;
  std::memset(record, 0xaa, sizeof record);
  EXPECT_FALSE(HLQ_CopyCodepageRecord(missing.name(), record));
  EXPECT_TRUE(HLQ_ParseCodepageRecord(record).empty());
}

TEST(CodepageRecordCopy, FullObjectIsCopiedWhole) {
  Record published;
  for (size_t i = 0; i < sizeof published; ++i) published[i] = static_cast<uint8_t>(i * 7 + 3);
  ShmObject object;
  object.write(published, sizeof published, sizeof published);
  Record copy;
  ASSERT_TRUE(HLQ_CopyCodepageRecord(object.name(), copy));
  EXPECT_EQ(std::memcmp(copy, published, sizeof copy), 0);
}

TEST(CodepageRecordCopy, LargerObjectGivesItsFirst512Bytes) {
  std::vector<uint8_t> bytes(8192, 0x5c);
  HLQ_BuildCodepageRecord({437, 850}, *reinterpret_cast<Record*>(bytes.data()));
  ShmObject object;
  object.write(bytes.data(), bytes.size(), bytes.size());
  Record copy;
  ASSERT_TRUE(HLQ_CopyCodepageRecord(object.name(), copy));
  EXPECT_EQ(std::memcmp(copy, bytes.data(), sizeof copy), 0);
  EXPECT_EQ(HLQ_ParseCodepageRecord(copy), (Codepages{437, 850}));
}

TEST(CodepageRecordCopy, ShortObjectGivesWhatItHoldsAndZeroesTheRest) {
  Record published;
  fillEntries(published, 48);  // nine entries, of which the first five end before offset 40
  ShmObject object;
  object.write(published, 40, 40);
  Record copy;
  std::memset(copy, 0xaa, sizeof copy);
  ASSERT_TRUE(HLQ_CopyCodepageRecord(object.name(), copy));
  EXPECT_EQ(std::memcmp(copy, published, 40), 0);
  for (size_t i = 40; i < sizeof copy; ++i) ASSERT_EQ(copy[i], 0) << "offset " << i;
  EXPECT_EQ(HLQ_ParseCodepageRecord(copy), (Codepages{1001, 1002, 1003, 1004, 1005, 0, 0, 0, 0}));
}

// Mapping 512 bytes of an empty object and reading them raises SIGBUS, which
// would end this test process.
TEST(CodepageRecordCopy, EmptyObjectCopiesNothingAndDoesNotCrash) {
  ShmObject object;
  object.write("", 0, 0);
  Record copy;
  std::memset(copy, 0xaa, sizeof copy);
  EXPECT_TRUE(HLQ_CopyCodepageRecord(object.name(), copy));
  for (size_t i = 0; i < sizeof copy; ++i) ASSERT_EQ(copy[i], 0) << "offset " << i;
  EXPECT_TRUE(HLQ_ParseCodepageRecord(copy).empty());
}

TEST(CodepageRecordCopy, ReleasesItsDescriptorAndMappingEveryTime) {
  ShmObject object;
  Record published{};
  object.write(published, sizeof published, sizeof published);
  ShmObject empty;
  empty.write("", 0, 0);
  ShmObject missing;
  const int before = openDescriptors();
  Record copy;
  for (int i = 0; i < 50; ++i) {
    HLQ_CopyCodepageRecord(object.name(), copy);
    HLQ_CopyCodepageRecord(empty.name(), copy);
    HLQ_CopyCodepageRecord(missing.name(), copy);
  }
  EXPECT_EQ(openDescriptors(), before);
  EXPECT_FALSE(isMapped(object.name()));
}

// Another user may own the name. Under the old blocking open a FIFO hung the
// reader until a writer came; the alarm turns a hang into a failure.
TEST(CodepageRecordCopy, AFifoOrAFolderUnderTheNameIsRefusedAtOnce) {
  ShmObject fifo, folder;
  ASSERT_EQ(mkfifo(fifo.path().c_str(), 0666), 0);
  ASSERT_EQ(mkdir(folder.path().c_str(), 0777), 0);
  Record copy;
  alarm(5);
  EXPECT_FALSE(HLQ_CopyCodepageRecord(fifo.name(), copy));
  EXPECT_FALSE(HLQ_CopyCodepageRecord(folder.name(), copy));
  alarm(0);
  EXPECT_TRUE(HLQ_ParseCodepageRecord(copy).empty());
}

// A reader of a mapping got SIGBUS when the object shrank under it. Every
// copy must hold the published bytes or zeros, never anything else.
TEST(CodepageRecordCopy, AnObjectShrinkingUnderTheReaderNeverCrashesIt) {
  Record published;
  for (size_t i = 0; i < sizeof published; ++i) published[i] = static_cast<uint8_t>(i | 1);
  ShmObject object;
  object.write(published, sizeof published, sizeof published);
  const pid_t owner = fork();
  if (owner == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // gone with the test, even when it crashes
    const int fd = shm_open(object.name(), O_RDWR, 0);
    for (;;) {
      if (ftruncate(fd, 0) != 0 || pwrite(fd, published, sizeof published, 0) < 0) _exit(1);
    }
  }
  Record copy;
  bool faithful = true;
  for (int i = 0; i < 5000 && faithful; ++i) {
    faithful = HLQ_CopyCodepageRecord(object.name(), copy);
    for (size_t at = 0; at < sizeof copy; ++at)
      faithful = faithful && (copy[at] == 0 || copy[at] == published[at]);
  }
  kill(owner, SIGKILL);
  waitpid(owner, nullptr, 0);
  EXPECT_TRUE(faithful);
}

// The stand-in publisher, run as the built command, read back as the tool
// reads the daemon's record.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "devices/codepage_record.h"

namespace {

struct PublisherRun {
  int status;  // exit status
  std::string out;
  std::string err;
};

PublisherRun runPublisher(const std::vector<std::string>& args) {
  std::vector<char*> argv = {const_cast<char*>(HLQ_PUBLISHER_PATH)};
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gchar* err = nullptr;
  gint wait = 0;
  GError* error = nullptr;
  if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err,
                    &wait, &error)) {
    ADD_FAILURE() << "cannot run " << HLQ_PUBLISHER_PATH << ": " << error->message;
    g_error_free(error);
    return {-1, "", ""};
  }
  PublisherRun run{WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, out, err};
  g_free(out);
  g_free(err);
  return run;
}

class Publisher : public testing::Test {
 protected:
  void TearDown() override { shm_unlink(name_.c_str()); }

  PublisherRun publish(std::vector<std::string> args) {
    args.insert(args.begin(), {"--name", name_});
    return runPublisher(args);
  }
  bool read(std::vector<uint16_t>& codepages) {
    uint8_t record[HLQ_CODEPAGE_RECORD_SIZE];
    if (!HLQ_CopyCodepageRecord(name_.c_str(), record)) return false;
    codepages = HLQ_ParseCodepageRecord(record);
    return true;
  }

  std::string name_ = "/hlq_test_publisher_" + std::to_string(getpid());
};

std::vector<std::string> numbersFrom(int first, int count) {
  std::vector<std::string> numbers;
  for (int i = 0; i < count; ++i) numbers.push_back(std::to_string(first + i));
  return numbers;
}

}  // namespace

TEST_F(Publisher, PublishesWhatTheToolReadsAndRemovesIt) {
  ASSERT_EQ(publish({"437", "850", "1252", "0", "65535"}).status, 0);
  std::vector<uint16_t> codepages;
  ASSERT_TRUE(read(codepages));
  EXPECT_EQ(codepages, (std::vector<uint16_t>{437, 850, 1252, 0, 65535}));

  ASSERT_EQ(publish({"858"}).status, 0);  // a new record replaces the old one whole
  ASSERT_TRUE(read(codepages));
  EXPECT_EQ(codepages, (std::vector<uint16_t>{858}));

  ASSERT_EQ(publish({"--remove"}).status, 0);
  EXPECT_FALSE(read(codepages));
  EXPECT_EQ(publish({"--remove"}).status, 0);  // nothing left to remove is no failure
}

TEST_F(Publisher, PublishesTwentyNineOrNone) {
  std::vector<uint16_t> codepages;
  ASSERT_EQ(publish(numbersFrom(1000, 29)).status, 0);
  ASSERT_TRUE(read(codepages));
  ASSERT_EQ(codepages.size(), 29u);
  EXPECT_EQ(codepages.front(), 1000);
  EXPECT_EQ(codepages.back(), 1028);

  ASSERT_EQ(publish({"--empty"}).status, 0);
  ASSERT_TRUE(read(codepages));
  EXPECT_TRUE(codepages.empty());
}

TEST_F(Publisher, BadInputIsRefusedWithAMessageAndChangesNothing) {
  ASSERT_EQ(publish({"437"}).status, 0);
  const std::vector<std::vector<std::string>> badInputs = {
      {"65536"}, {"-1"}, {"+437"}, {"437x"}, {""}, {"850", "cp1252"},
      numbersFrom(1000, 30), {}, {"437", "--remove"}, {"--empty", "437"}, {"--bogus"},
  };
  for (const auto& args : badInputs) {
    const PublisherRun run = publish(args);
    std::string shown;
    for (const auto& arg : args) shown += "\"" + arg + "\" ";
    EXPECT_EQ(run.status, 2) << shown;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << shown;
    std::vector<uint16_t> codepages;
    ASSERT_TRUE(read(codepages)) << shown;
    EXPECT_EQ(codepages, (std::vector<uint16_t>{437})) << shown;
  }
  EXPECT_EQ(runPublisher({"--name", "no-slash", "437"}).status, 2);
  EXPECT_EQ(runPublisher({"--name"}).status, 2);
}

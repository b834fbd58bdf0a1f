// The single-instance guard, with other instances played by child processes.
#include "app/instance_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

// Runs `body` in a child process and returns its exit status.
int inChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A child process that takes the lock (as `uid`, when not 0) and holds it
// until it is killed; returns its process ID once it holds the lock.
pid_t holdInChild(const std::string& path, uid_t uid = 0) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    if (uid != 0 && setresuid(uid, uid, uid) != 0) _exit(2);
    char ok = HLQCreatePIDFile(path.c_str()) ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(3);
    pause();
    _exit(0);
  }
  char ok = 0;
  bool holding = read(ready[0], &ok, 1) == 1 && ok == 'y';
  close(ready[0]);
  close(ready[1]);
  EXPECT_TRUE(holding);
  return pid;
}

// A child that takes the lock and is then killed without cleaning up.
void lockAndGetKilled(const std::string& path, uid_t uid = 0) {
  pid_t pid = holdInChild(path, uid);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

mode_t modeOf(const std::string& path) {
  struct stat st{};
  EXPECT_EQ(stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

}  // namespace

TEST(InstanceLock, CreatesAnEmptyFileWithModeZeroAndRemovesItOnRelease) {
  TempDir dir;
  std::string lock = dir.file("hlqconfigtool");
  ASSERT_TRUE(HLQCreatePIDFile(lock.c_str()));
  EXPECT_TRUE(HLQHoldsPIDFile());
  EXPECT_EQ(modeOf(lock), 0u);
  EXPECT_EQ(HLQTest_ReadFile(lock), "");
  EXPECT_TRUE(HLQRemovePIDFile(lock.c_str()));
  EXPECT_FALSE(HLQTest_FileExists(lock));
  EXPECT_FALSE(HLQHoldsPIDFile());
  // After a normal end a new instance starts.
  EXPECT_TRUE(HLQCreatePIDFile(lock.c_str()));
  EXPECT_TRUE(HLQRemovePIDFile(lock.c_str()));
}

TEST(InstanceLock, ASecondInstanceIsRefusedAndLeavesTheFileAlone) {
  TempDir dir;
  std::string lock = dir.file("hlqconfigtool");
  pid_t first = holdInChild(lock);
  EXPECT_FALSE(HLQCreatePIDFile(lock.c_str()));
  EXPECT_FALSE(HLQRemovePIDFile(lock.c_str()));  // holds nothing: removes nothing
  EXPECT_TRUE(HLQTest_FileExists(lock));
  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);
}

TEST(InstanceLock, ALockLeftByAKilledInstanceIsTakenOver) {
  TempDir dir;
  std::string lock = dir.file("hlqconfigtool");
  lockAndGetKilled(lock);
  ASSERT_TRUE(HLQTest_FileExists(lock));
  ASSERT_TRUE(HLQCreatePIDFile(lock.c_str()));
  EXPECT_EQ(modeOf(lock), 0u);
  EXPECT_TRUE(HLQRemovePIDFile(lock.c_str()));
}

TEST(InstanceLock, AnOrdinaryUserTakesOverItsOwnStaleLockDespiteModeZero) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  TempDir dir;
  chmod(dir.path().c_str(), 01777);
  std::string lock = dir.file("hlqconfigtool");
  const uid_t nobody = 65534;
  lockAndGetKilled(lock, nobody);
  int takeover = inChild([&] {
    if (setresuid(nobody, nobody, nobody) != 0) return 2;
    if (!HLQCreatePIDFile(lock.c_str())) return 1;
    struct stat st{};
    stat(lock.c_str(), &st);
    return (st.st_mode & 07777) == 0 && HLQRemovePIDFile(lock.c_str()) ? 0 : 3;
  });
  EXPECT_EQ(takeover, 0);
}

// A FIFO put under the name by another user used to block the open for good;
// the alarm turns a hang into a failure.
TEST(InstanceLock, AFolderThatRefusesTheFileOrAFifoUnderTheNameCountsAsAnotherInstance) {
  EXPECT_FALSE(HLQCreatePIDFile("/nonexistent-folder/hlqconfigtool"));
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("hlqconfigtool").c_str(), 0666), 0);
  alarm(5);
  EXPECT_FALSE(HLQCreatePIDFile(dir.file("hlqconfigtool").c_str()));
  alarm(0);
  EXPECT_FALSE(HLQHoldsPIDFile());
}

TEST(InstanceLock, OfManyInstancesStartedTogetherExactlyOneRuns) {
  TempDir dir;
  std::string lock = dir.file("hlqconfigtool");
  for (bool stale : {false, true}) {
    if (stale) lockAndGetKilled(lock);
    int results[2];
    ASSERT_EQ(pipe(results), 0);
    std::vector<pid_t> instances;
    for (int i = 0; i < 8; ++i) {
      pid_t pid = fork();
      if (pid == 0) {
        char ok = HLQCreatePIDFile(lock.c_str()) ? 'y' : 'n';
        if (write(results[1], &ok, 1) != 1) _exit(1);
        pause();
        _exit(0);
      }
      instances.push_back(pid);
    }
    int running = 0;
    for (size_t i = 0; i < instances.size(); ++i) {
      char ok = 0;
      ASSERT_EQ(read(results[0], &ok, 1), 1);
      running += ok == 'y';
    }
    EXPECT_EQ(running, 1) << (stale ? "over a stale lock" : "with no lock file");
    for (pid_t pid : instances) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    close(results[0]);
    close(results[1]);
  }
}

// Another user keeps swapping the name between a lock file of their own and a
// link to a file of ours. Taking over must neither follow the link (our file
// keeps its mode) nor take the other user's file.
TEST(InstanceLock, AnOrdinaryUserNeverFollowsASwappedLinkNorTakesAnotherUsersFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  TempDir dir;
  chmod(dir.path().c_str(), 01777);
  const std::string lock = dir.file("hlqconfigtool"), ours = dir.file("ours");
  const uid_t nobody = 65534;
  HLQTest_WriteFile(ours, "");
  ASSERT_EQ(chown(ours.c_str(), nobody, nobody), 0);
  ASSERT_EQ(chmod(ours.c_str(), 0600), 0);
  close(open(lock.c_str(), O_CREAT | O_WRONLY, 0));  // the name is never free
  pid_t swapper = fork();
  if (swapper == 0) {
    const std::string file = dir.file("file"), link = dir.file("link");
    for (;;) {
      close(open(file.c_str(), O_CREAT | O_WRONLY, 0));
      if (rename(file.c_str(), lock.c_str()) != 0 || symlink(ours.c_str(), link.c_str()) != 0 ||
          rename(link.c_str(), lock.c_str()) != 0)
        _exit(1);
    }
  }
  int takeovers = inChild([&] {
    if (setresuid(nobody, nobody, nobody) != 0) return 255;
    int taken = 0;
    for (int i = 0; i < 20000; ++i) {
      if (!HLQCreatePIDFile(lock.c_str())) continue;
      ++taken;
      HLQRemovePIDFile(lock.c_str());
    }
    return std::min(taken, 254);
  });
  kill(swapper, SIGKILL);
  waitpid(swapper, nullptr, 0);
  EXPECT_EQ(takeovers, 0);
  EXPECT_EQ(modeOf(ours), 0600u);
}

// The single-instance guard, with other instances played by child processes.
#include "app/instance_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
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

// What stands under the lock's name, as a start reports it.
std::string describe(const std::string& path) {
  struct stat st{};
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size) return "no empty file";
  return "an empty file of uid " + std::to_string(st.st_uid) + ", mode " +
         std::to_string(st.st_mode & 07777);
}

// A child process that runs `body` as `uid` (when not 0) and lives on until
// it is killed, holding what it got; `answer` receives what `body` said. An
// alarm ends a body that hangs.
pid_t inLivingChild(uid_t uid, const std::function<std::string()>& body, std::string* answer) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    if (uid != 0 && setresuid(uid, uid, uid) != 0) _exit(2);
    alarm(5);
    std::string text = body() + ".";
    alarm(0);
    if (write(ready[1], text.data(), text.size()) != static_cast<ssize_t>(text.size())) _exit(3);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char text[256];
  ssize_t n = read(ready[0], text, sizeof text);
  close(ready[0]);
  *answer = n > 0 ? std::string(text, static_cast<size_t>(n) - 1) : "ended without an answer";
  return pid;
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// A start as `uid` in a child that holds what it got until it is killed.
// `outcome`: "refused", or "taken: " and what then stands under the name.
pid_t startInChild(const std::string& path, uid_t uid, std::string* outcome) {
  return inLivingChild(uid, [&] {
    return HLQCreatePIDFile(path.c_str()) ? "taken: " + describe(path) : "refused";
  }, outcome);
}

// A child process that takes the lock (as `uid`, when not 0) and holds it
// until it is killed; returns its process ID once it holds the lock.
pid_t holdInChild(const std::string& path, uid_t uid = 0) {
  std::string outcome;
  pid_t pid = startInChild(path, uid, &outcome);
  EXPECT_EQ(outcome.rfind("taken", 0), 0u) << outcome;
  return pid;
}

// A child that takes the lock and is then killed without cleaning up.
void lockAndGetKilled(const std::string& path, uid_t uid = 0) { stop(holdInChild(path, uid)); }

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
  stop(first);
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

TEST(InstanceLock, AFolderThatRefusesTheFileCountsAsAnotherInstance) {
  EXPECT_FALSE(HLQCreatePIDFile("/nonexistent-folder/hlqconfigtool"));
  EXPECT_FALSE(HLQHoldsPIDFile());
}

bool bindSocket(const std::string& path) {
  struct sockaddr_un address {};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  return bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

// Something another user leaves under the name of a world-writable folder.
struct SquatCase {
  const char* what;
  bool (*put)(const std::string& lock);
  uid_t owner, starter;
  const char* outcome;
};

const uid_t kNobody = 65534;
const char kTakenByRoot[] = "taken: an empty file of uid 0, mode 0";
const SquatCase kSquats[] = {
    {"a link to a file of root's", [](auto& l) { return !symlink("precious", l.c_str()); },
     kNobody, 0, kTakenByRoot},
    {"a dangling link", [](auto& l) { return !symlink("absent", l.c_str()); }, kNobody, 0,
     kTakenByRoot},
    {"a FIFO", [](auto& l) { return !mkfifo(l.c_str(), 0666); }, kNobody, 0, kTakenByRoot},
    {"an empty folder", [](auto& l) { return !mkdir(l.c_str(), 0777); }, kNobody, 0, kTakenByRoot},
    {"a folder with a file",
     [](auto& l) { return !mkdir(l.c_str(), 0777) && !close(creat((l + "/in").c_str(), 0644)); },
     kNobody, 0, kTakenByRoot},
    {"a socket", bindSocket, kNobody, 0, kTakenByRoot},
    {"another user's lock that nobody holds",
     [](auto& l) { return !close(open(l.c_str(), O_CREAT | O_EXCL | O_RDWR, 0)); }, kNobody, 0,
     kTakenByRoot},
    {"another user's lock that a process holds",
     [](auto& l) { return HLQCreatePIDFile(l.c_str()); }, kNobody, 0,
     "taken: an empty file of uid 65534, mode 0"},
    {"a dangling link of the starter's own", [](auto& l) { return !symlink("absent", l.c_str()); },
     kNobody, kNobody, "taken: an empty file of uid 65534, mode 0"},
    {"a dangling link the starter may not remove",
     [](auto& l) { return !symlink("absent", l.c_str()); }, 0, kNobody, "taken: no empty file"},
};

// Whatever another user leaves under the name, root starts, in a file of its
// own, or beside another user's file that a live process holds; an ordinary
// user removes only what is theirs, and starts beside the rest. Once root
// started, the squatter cannot make room for a second instance of root's by
// moving the lock away. A link is never followed.
TEST(InstanceLock, WhatOthersLeaveUnderTheNameNeitherLocksOutNorLetsTwoRun) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  for (const SquatCase& squat : kSquats) {
    SCOPED_TRACE(squat.what);
    TempDir dir;
    chmod(dir.path().c_str(), 01777);
    const std::string lock = dir.file("hlqconfigtool"), precious = dir.file("precious");
    HLQTest_WriteFile(precious, "precious");
    chmod(precious.c_str(), 0600);
    std::string put, outcome, second;
    pid_t squatter =
        inLivingChild(squat.owner, [&] { return squat.put(lock) ? "put" : "not put"; }, &put);
    ASSERT_EQ(put, "put");
    const std::string before = describe(lock);

    pid_t first = startInChild(lock, squat.starter, &outcome);
    EXPECT_EQ(outcome, squat.outcome);
    // Refused, or started beside what stands there: it stays as it was.
    if (outcome.find("uid " + std::to_string(squat.starter) + ",") == std::string::npos) {
      EXPECT_EQ(describe(lock), before);
    }
    if (outcome != "refused" && squat.owner != squat.starter && squat.starter == 0) {
      auto moveAway = [&] { return std::to_string(rename(lock.c_str(), (lock + "~").c_str())); };
      stop(inLivingChild(squat.owner, moveAway, &put));
      stop(startInChild(lock, 0, &second));
      EXPECT_EQ(second, "refused") << "a second instance started";
    }
    EXPECT_EQ(HLQTest_ReadFile(precious), "precious");
    EXPECT_EQ(modeOf(precious), 0600u);
    stop(first);
    stop(squatter);
  }
}

TEST(InstanceLock, OfManyInstancesStartedTogetherExactlyOneRuns) {
  TempDir dir;
  std::string lock = dir.file("hlqconfigtool");
  for (const char* what : {"nothing", "a stale lock", "a dangling link"}) {
    const std::string under = what;
    unlink(lock.c_str());
    if (under == "a stale lock") lockAndGetKilled(lock);
    if (under == "a dangling link") {
      ASSERT_EQ(symlink("absent", lock.c_str()), 0);
    }
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
    EXPECT_EQ(running, 1) << "over " << under;
    EXPECT_EQ(HLQTest_FolderEntries(dir.path()), std::vector<std::string>{"hlqconfigtool"});
    for (pid_t pid : instances) stop(pid);
    close(results[0]);
    close(results[1]);
  }
}

// Another user keeps swapping the name between a lock file of their own and a
// link to a file of ours. Starting must neither follow the link (our file
// keeps its mode) nor take the other user's file (nothing of ours ever
// stands under the name).
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
      struct stat under {};
      if (lstat(lock.c_str(), &under) == 0 && under.st_uid == nobody) ++taken;
      HLQRemovePIDFile(lock.c_str());
    }
    return std::min(taken, 254);
  });
  kill(swapper, SIGKILL);
  waitpid(swapper, nullptr, 0);
  EXPECT_EQ(takeovers, 0);
  EXPECT_EQ(modeOf(ours), 0600u);
}

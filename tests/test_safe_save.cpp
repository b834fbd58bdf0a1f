#include "config/safe_save.h"

#include <glib.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

const uid_t kNobody = 65534;

std::function<bool(FILE*)> writing(const std::string& text) {
  return [text](FILE* out) { return std::fputs(text.c_str(), out) >= 0; };
}

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
  while (const char* name = dir ? g_dir_read_name(dir) : nullptr) names.push_back(name);
  if (dir) g_dir_close(dir);
  std::sort(names.begin(), names.end());
  return names;
}

struct stat statusOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st;
}

std::string slurp(const std::string& path) {
  return HLQTest_FileExists(path) ? HLQTest_ReadFile(path) : std::string("<missing>");
}

// Runs `body` in a forked child and returns the text it produced. The child
// may drop root or mount file systems that only it sees; it touches no GTK.
std::string inChild(const std::function<std::string()>& body) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return "pipe failed";
  pid_t pid = fork();
  if (pid == 0) {
    close(pipeFds[0]);
    std::string text = body();
    ssize_t ignored = write(pipeFds[1], text.data(), text.size());
    (void)ignored;
    _exit(0);
  }
  close(pipeFds[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) text += " [child failed]";
  return text;
}

bool becomeNobody() {
  return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0;
}

// A private mount namespace, so that the mounts vanish with the child.
bool privateMounts() {
  return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

std::string describeSave(const char* path, const std::string& text) {
  std::string error;
  bool saved = HLQ_ReplaceFileSafely(path, writing(text), &error);
  return saved ? "saved" : "failed: " + error;
}

class SafeSave : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    HLQTest_WriteFile(file, original);
  }
  bool save(const std::string& path, const std::function<bool(FILE*)>& write) {
    error.clear();
    return HLQ_ReplaceFileSafely(path.c_str(), write, &error);
  }
  void expectOriginalAlone() {
    EXPECT_EQ(slurp(file), original);
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"KWNConfig.xml"});
  }

  TempDir dir;
  std::string folder = dir.file("hlq");
  std::string file = folder + "/KWNConfig.xml";
  std::string original = "<VCP>\n    <S>\n        <K>old</K>\n    </S>\n</VCP>\n";
  std::string error;
};

TEST_F(SafeSave, ReplacesContentKeepingModeAndOwner) {
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(file.c_str(), 1234, 2345), 0);
  }
  ino_t before = statusOf(file).st_ino;

  ASSERT_TRUE(save(file, writing("new content\n"))) << error;
  struct stat after = statusOf(file);
  EXPECT_EQ(slurp(file), "new content\n");
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(after.st_uid, 1234u);
    EXPECT_EQ(after.st_gid, 2345u);
  }
  EXPECT_NE(after.st_ino, before);  // a new file took the old one's place
  EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"KWNConfig.xml"});
}

TEST_F(SafeSave, WritesThroughSymbolicLinks) {
  std::string links = dir.file("links");
  ASSERT_EQ(mkdir(links.c_str(), 0755), 0);
  ASSERT_EQ(symlink("../hlq/KWNConfig.xml", (links + "/direct").c_str()), 0);
  ASSERT_EQ(symlink("direct", (links + "/chained").c_str()), 0);

  ASSERT_TRUE(save(links + "/chained", writing("through two links"))) << error;
  EXPECT_EQ(slurp(file), "through two links");
  EXPECT_TRUE(S_ISLNK(statusOf(links + "/direct").st_mode));
  EXPECT_TRUE(S_ISLNK(statusOf(links + "/chained").st_mode));
  gchar* target = g_file_read_link((links + "/chained").c_str(), nullptr);
  EXPECT_STREQ(target, "direct");
  g_free(target);
  EXPECT_EQ(folderEntries(links), (std::vector<std::string>{"chained", "direct"}));
  EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"KWNConfig.xml"});
}

TEST_F(SafeSave, CreatesNothingWhereNoFileIs) {
  EXPECT_FALSE(save(folder + "/absent.xml", writing("x")));
  EXPECT_EQ(error, "No such file or directory");
  ASSERT_EQ(symlink("absent.xml", (folder + "/dangling").c_str()), 0);
  EXPECT_FALSE(save(folder + "/dangling", writing("x")));
  EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"KWNConfig.xml", "dangling"}));

  std::string subfolder = folder + "/sub";
  ASSERT_EQ(mkdir(subfolder.c_str(), 0755), 0);
  EXPECT_FALSE(save(subfolder, writing("x")));
  EXPECT_EQ(error, "it is not a regular file");
  EXPECT_TRUE(S_ISDIR(statusOf(subfolder).st_mode));
  EXPECT_EQ(folderEntries(subfolder), std::vector<std::string>{});
  EXPECT_EQ(slurp(file), original);
}

TEST_F(SafeSave, FailedProducerLeavesOriginal) {
  auto halfThenFail = [](FILE* out) {
    std::fputs("<VCP><S>", out);
    return false;
  };
  EXPECT_FALSE(save(file, halfThenFail));
  EXPECT_EQ(error, "the new content could not be produced");
  expectOriginalAlone();
}

TEST_F(SafeSave, FolderReplacedWhileWritingFailsCleanly) {
  std::string moved = dir.file("moved");
  auto moveFolderAway = [&](FILE* out) {
    std::fputs("new", out);
    return rename(folder.c_str(), moved.c_str()) == 0 && mkdir(folder.c_str(), 0755) == 0;
  };
  EXPECT_FALSE(save(file, moveFolderAway));
  EXPECT_EQ(error, "its folder was moved or replaced while saving");
  EXPECT_EQ(folderEntries(folder), std::vector<std::string>{});
  EXPECT_EQ(folderEntries(moved), std::vector<std::string>{"KWNConfig.xml"});
  EXPECT_EQ(slurp(moved + "/KWNConfig.xml"), original);
}

TEST_F(SafeSave, WriteErrorIsDetected) {
  // A file size limit makes writes fail for root as well.
  struct rlimit saved {};
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit tiny = saved;
  tiny.rlim_cur = 16;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  bool ok = save(file, writing(std::string(100000, 'x')));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, "File too large");
  expectOriginalAlone();
}

TEST_F(SafeSave, UnwritableFolderLeavesOriginal) {
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    EXPECT_FALSE(save(file, writing("x")));
    EXPECT_EQ(error, "Permission denied");
  } else {
    // Root writes anywhere; a user without rights to the folder is needed.
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(file.c_str(), 0666), 0);
    std::string outcome = inChild([&] {
      return becomeNobody() ? describeSave(file.c_str(), "x") : "cannot become nobody";
    });
    EXPECT_EQ(outcome, "failed: Permission denied");
  }
  expectOriginalAlone();
}

TEST_F(SafeSave, OwnerThatCannotBeKeptFailsTheSave) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the file to another user";
  // Anyone may write in the folder and the file, but only root could hand
  // a new file to root.
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  ASSERT_EQ(chmod(file.c_str(), 0666), 0);
  std::string outcome = inChild([&] {
    return becomeNobody() ? describeSave(file.c_str(), "x") : "cannot become nobody";
  });
  EXPECT_EQ(outcome, "failed: its owner and group could not be kept: Operation not permitted");
  EXPECT_EQ(statusOf(file).st_uid, 0u);
  expectOriginalAlone();
}

// In a child with a small file system of its own: the save fails as it
// should, and the child reports what it then finds in the folder.
std::string saveOnOwnMount(const std::string& folder, const std::function<bool()>& prepare,
                           const std::string& text) {
  return inChild([&]() -> std::string {
    if (!privateMounts() || !prepare()) return std::string("cannot mount: ") + g_strerror(errno);
    std::string file = folder + "/KWNConfig.xml";
    std::string outcome = describeSave(file.c_str(), text);
    std::string entries;
    for (const auto& name : folderEntries(folder)) entries += " " + name;
    return outcome + " |" + entries + " | " + slurp(file);
  });
}

TEST_F(SafeSave, FullDiskLeavesOriginal) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small file system";
  auto fillUp = [&] {
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) return false;
    HLQTest_WriteFile(file, original);
    FILE* filler = std::fopen((folder + "/filler").c_str(), "w");
    std::string block(4096, 'f');
    while (filler && std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
           std::fflush(filler) == 0) {
    }
    if (filler) std::fclose(filler);
    return true;
  };
  // A short text fails only when the stream is flushed, a long one already
  // while it is written.
  for (size_t length : {100, 20000}) {
    std::string outcome = saveOnOwnMount(folder, fillUp, std::string(length, 'x'));
    if (outcome.rfind("cannot mount", 0) == 0) GTEST_SKIP() << outcome;
    EXPECT_EQ(outcome, "failed: No space left on device | KWNConfig.xml filler | " + original);
  }
}

TEST_F(SafeSave, ReadOnlyFileSystemLeavesOriginal) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a read-only folder";
  std::string outcome = saveOnOwnMount(folder, [&] {
    return mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
  }, "x");
  if (outcome.rfind("cannot mount", 0) == 0) GTEST_SKIP() << outcome;
  EXPECT_EQ(outcome, "failed: Read-only file system | KWNConfig.xml | " + original);
}

}  // namespace

#include "config/safe_save.h"

#include <fcntl.h>
#include <glib.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/private_mounts.h"
#include "tests/support/temp_dir.h"

namespace {

const uid_t kNobody = 65534;

std::function<bool(FILE*)> writing(const std::string& text) {
  return [text](FILE* out) { return std::fputs(text.c_str(), out) >= 0; };
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
    EXPECT_EQ(HLQTest_FolderEntries(folder), std::vector<std::string>{"KWNConfig.xml"});
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
  EXPECT_EQ(HLQTest_FolderEntries(folder), std::vector<std::string>{"KWNConfig.xml"});
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
  EXPECT_EQ(HLQTest_FolderEntries(links), (std::vector<std::string>{"chained", "direct"}));
  EXPECT_EQ(HLQTest_FolderEntries(folder), std::vector<std::string>{"KWNConfig.xml"});
}

TEST_F(SafeSave, CreatesNothingWhereNoFileIs) {
  EXPECT_FALSE(save(folder + "/absent.xml", writing("x")));
  EXPECT_EQ(error, "No such file or directory");
  ASSERT_EQ(symlink("absent.xml", (folder + "/dangling").c_str()), 0);
  EXPECT_FALSE(save(folder + "/dangling", writing("x")));
  EXPECT_EQ(HLQTest_FolderEntries(folder),
            (std::vector<std::string>{"KWNConfig.xml", "dangling"}));

  std::string subfolder = folder + "/sub";
  ASSERT_EQ(mkdir(subfolder.c_str(), 0755), 0);
  EXPECT_FALSE(save(subfolder, writing("x")));
  EXPECT_EQ(error, "it is not a regular file");
  EXPECT_TRUE(S_ISDIR(statusOf(subfolder).st_mode));
  EXPECT_EQ(HLQTest_FolderEntries(subfolder), std::vector<std::string>{});
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
  EXPECT_EQ(HLQTest_FolderEntries(folder), std::vector<std::string>{});
  EXPECT_EQ(HLQTest_FolderEntries(moved), std::vector<std::string>{"KWNConfig.xml"});
  EXPECT_EQ(slurp(moved + "/KWNConfig.xml"), original);
}

TEST_F(SafeSave, WriteErrorIsDetected) {
  // A file size limit makes writes fail for root as well.
  bool ok = true;
  const std::string large(100000, 'x');
  ASSERT_TRUE(HLQTest_WithFileSizeLimit(16, [&] { ok = save(file, writing(large)); }));
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, "File too large");
  expectOriginalAlone();
}

TEST_F(SafeSave, HardLinkedFileIsWrittenInPlaceForBothNames) {
  std::string second = dir.file("second-name.xml");
  ASSERT_EQ(link(file.c_str(), second.c_str()), 0);
  ino_t before = statusOf(file).st_ino;

  ASSERT_TRUE(save(file, writing("new"))) << error;
  EXPECT_EQ(slurp(file), "new");  // the padding of the longer old content is cut
  EXPECT_EQ(slurp(second), "new");
  EXPECT_EQ(statusOf(file).st_ino, before);
  EXPECT_EQ(statusOf(file).st_nlink, 2u);
  EXPECT_EQ(HLQTest_FolderEntries(folder), std::vector<std::string>{"KWNConfig.xml"});
}

// Runs a getfacl or setfacl command line; its output, or why it failed.
std::string acl(const std::string& arguments) {
  gchar* out = nullptr;
  gchar* err = nullptr;
  gint status = 0;
  GError* spawnError = nullptr;
  std::string text;
  if (!g_spawn_command_line_sync(arguments.c_str(), &out, &err, &status, &spawnError)) {
    text = std::string("cannot run (tools/run-tests.sh installs the acl package): ") +
           spawnError->message;
    g_error_free(spawnError);
  } else {
    text = g_spawn_check_wait_status(status, nullptr) ? out : std::string("failed: ") + err;
  }
  g_free(out);
  g_free(err);
  return text;
}

TEST_F(SafeSave, KeepsAclsAndExtendedAttributes) {
  // The folder hands an ACL to new files: a file without one must not gain it.
  std::string plain = folder + "/KWNLogging.xml";
  HLQTest_WriteFile(plain, original);
  ASSERT_EQ(acl("setfacl -d -m u:65534:r " + folder), "");
  ASSERT_EQ(acl("setfacl -m u:65534:rw,g:65534:r " + file), "");
  const char kNote[] = "terminal 7";
  ASSERT_EQ(setxattr(file.c_str(), "user.deployment", kNote, sizeof kNote, 0), 0);
  std::string fileAcl = acl("getfacl -n " + file);
  std::string plainAcl = acl("getfacl -n " + plain);
  ASSERT_NE(fileAcl.find("user:65534:rw-"), std::string::npos) << fileAcl;
  ino_t before = statusOf(file).st_ino;

  ASSERT_TRUE(save(file, writing("new"))) << error;
  ASSERT_TRUE(save(plain, writing("new"))) << error;
  EXPECT_NE(statusOf(file).st_ino, before);  // replaced by a new file
  EXPECT_EQ(slurp(file), "new");
  EXPECT_EQ(acl("getfacl -n " + file), fileAcl);
  EXPECT_EQ(acl("getfacl -n " + plain), plainAcl);
  char note[64] = {};
  EXPECT_EQ(getxattr(file.c_str(), "user.deployment", note, sizeof note), ssize_t(sizeof kNote));
  EXPECT_STREQ(note, kNote);
}

// Nobody may write the root-owned file, but a new file could not be theirs
// to give to root, or the folder is not theirs to change: the content is
// written into the file itself, which keeps its owner.
TEST_F(SafeSave, WriterWhoCannotReplaceTheFileWritesInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(file.c_str(), 0666), 0);
  for (mode_t folderMode : {0755, 0777}) {
    SCOPED_TRACE(folderMode);
    ASSERT_EQ(chmod(folder.c_str(), folderMode), 0);
    std::string text = "new " + std::to_string(folderMode);
    std::string outcome = inChild([&] {
      return becomeNobody() ? describeSave(file.c_str(), text) : "cannot become nobody";
    });
    EXPECT_EQ(outcome, "saved");
    EXPECT_EQ(slurp(file), text);
    struct stat after = statusOf(file);
    EXPECT_EQ(after.st_uid, 0u);
    EXPECT_EQ(after.st_mode & 07777, 0666u);
    EXPECT_EQ(HLQTest_FolderEntries(folder), std::vector<std::string>{"KWNConfig.xml"});
  }
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
    for (const auto& name : HLQTest_FolderEntries(folder)) entries += " " + name;
    return outcome + " |" + entries + " | " + slurp(file);
  });
}

// A file mounted on its own cannot be replaced by a rename, and a full disk
// has no room for a new copy: the content is then written into the file
// itself, where it fits. Content that needs more room than the file has
// (a long text; a short one fails only when the stream is flushed) is not
// stored, and the original stays.
TEST_F(SafeSave, WritesInPlaceWhereNoNewFileCanTakeItsPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount file systems";
  const std::string mounted = dir.file("mounted.xml");
  auto mountAlone = [&] {
    HLQTest_WriteFile(mounted, original);
    return mount(mounted.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) == 0;
  };
  auto fillUp = [&] {
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) return false;
    HLQTest_WriteFile(file, original);
    return HLQTest_FillFileSystem(folder + "/filler").empty();
  };
  const std::string fits(100, 'x'), tooLong(20000, 'x');
  struct Case {
    const char* what;
    std::function<bool()> prepare;
    const std::string& text;
    std::string outcome;
  } cases[] = {
      {"a file mounted on its own", mountAlone, fits, "saved | KWNConfig.xml | " + fits},
      {"a full disk", fillUp, fits, "saved | KWNConfig.xml filler | " + fits},
      {"a full disk", fillUp, tooLong,
       "failed: No space left on device | KWNConfig.xml filler | " + original},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(c.text.size()) + " bytes");
    std::string outcome = saveOnOwnMount(folder, c.prepare, c.text);
    if (outcome.rfind("cannot mount", 0) == 0) GTEST_SKIP() << outcome;
    EXPECT_EQ(outcome, c.outcome);
  }
  EXPECT_EQ(slurp(mounted), fits);  // the mounted file, not the one beneath
  EXPECT_EQ(slurp(file), original);
}

// The flags a file was given (chattr) stay with it, and a file without them
// does not take up those that its folder hands to new files.
TEST_F(SafeSave, KeepsFileSystemFlags) {
  const std::string plain = folder + "/KWNLogging.xml";
  HLQTest_WriteFile(plain, original);
  for (int flag : {FS_NODUMP_FL, FS_NOATIME_FL, FS_SYNC_FL, FS_SECRM_FL, FS_UNRM_FL, FS_COMPR_FL,
                   FS_NOTAIL_FL})
    HLQTest_FileFlags(file, HLQTest_FileFlags(file) | flag);  // where the file system has it
  HLQTest_FileFlags(folder, HLQTest_FileFlags(folder) | FS_NODUMP_FL | FS_NOATIME_FL);
  const int flags = HLQTest_FileFlags(file), plainFlags = HLQTest_FileFlags(plain);
  if (flags <= 0 || !(flags & FS_NODUMP_FL)) GTEST_SKIP() << "this file system keeps no file flags";
  ino_t before = statusOf(file).st_ino;

  ASSERT_TRUE(save(file, writing("new"))) << error;
  ASSERT_TRUE(save(plain, writing("new"))) << error;
  EXPECT_NE(statusOf(file).st_ino, before);  // replaced by a new file
  EXPECT_EQ(HLQTest_FileFlags(file), flags);
  EXPECT_EQ(HLQTest_FileFlags(plain), plainFlags);
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

// A killed writer's copy goes with the next save; a copy that a live writer
// holds, another user's file and other names stay.
TEST_F(SafeSave, TheNextSaveRemovesTheCopiesKilledWritersLeft) {
  const std::string left = ".KWNConfig.xml.Ab12Cd", held = ".KWNConfig.xml.Hh34Ef",
                    others = ".KWNConfig.xml.Oo56Gh", unlike = ".KWNConfig.xml.x";
  for (const std::string& name : {left, held, others, unlike})
    HLQTest_WriteFile(folder + "/" + name, "<VC");
  std::vector<std::string> staying = {held, unlike, "KWNConfig.xml"};
  if (geteuid() == 0) {
    ASSERT_EQ(chown((folder + "/" + others).c_str(), kNobody, kNobody), 0);
    staying.insert(staying.begin() + 1, others);
  } else {
    unlink((folder + "/" + others).c_str());
  }
  const int holder = open((folder + "/" + held).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  EXPECT_TRUE(save(file, writing("<VCP/>\n"))) << error;
  close(holder);
  EXPECT_EQ(HLQTest_FolderEntries(folder), staying);
}

// The save's file calls as the system sees them. A separate process
// (save_once.cpp) stores one value with a preloaded library
// (support/io_shim.cpp) that records every file call of the save and can fail
// one of them with EIO, as a failing disk would (or as a full disk or a file
// mounted on its own would). Checked: the order that lets a replacement
// survive a power loss and keeps its content from others, and, for each call
// of either way of saving failed in turn, that the report matches the file.
#include <glib.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstring>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_layout.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_file.h"

namespace {

// One recorded call: its name and the file it concerned.
struct Call {
  std::string name;
  std::string path;
};

const char kAttribute[] = "user.deployment";
const char kAttributeValue[] = "terminal 7";

class SaveIo : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir(folder_.c_str(), 0755), 0);
    HLQTest_CopySample("KWNConfig.xml", file_);
    // Longer than the value stored, so that a save in place pads and cuts.
    HLQTest_StoreText(file_, kwn::PRINTER, kwn::CODE_PAGE, "1234567890");
    ASSERT_EQ(chmod(file_.c_str(), 0640), 0);
    // An attribute and a flag that a new file has to be given, and an ACL
    // it inherits from the folder that it has to lose.
    ASSERT_EQ(setxattr(file_.c_str(), kAttribute, kAttributeValue, sizeof kAttributeValue, 0), 0);
    ASSERT_GE(HLQTest_FileFlags(file_, HLQTest_FileFlags(file_) | FS_NODUMP_FL), 0)
        << "this file system keeps no file flags";
    std::string setfacl = "setfacl -d -m u:65534:r " + folder_;
    gint status = 0;
    ASSERT_TRUE(g_spawn_command_line_sync(setfacl.c_str(), nullptr, nullptr, &status, nullptr) &&
                g_spawn_check_wait_status(status, nullptr))
        << setfacl << " failed (tools/run-tests.sh installs the acl package)";
  }

  // Stores "5" in a process of its own with `fail` ("NAME N PATTERN", or
  // "") handed to the shim; returns the report, and the calls it made.
  std::string store(const std::string& fail, int failWith, std::vector<Call>* calls,
                    std::vector<std::string>* failed) {
    std::string log = dir_.file("calls.log");
    gchar** env = g_get_environ();
    env = g_environ_setenv(env, "LD_PRELOAD", HLQ_IO_SHIM, TRUE);
    env = g_environ_setenv(env, "HLQ_IO_LOG", log.c_str(), TRUE);
    env = g_environ_setenv(env, "HLQ_IO_FAIL", fail.c_str(), TRUE);
    env = g_environ_setenv(env, "HLQ_IO_ERRNO", std::to_string(failWith).c_str(), TRUE);
    // The shim comes before the sanitizer's runtime in a sanitized build.
    const char* asan = g_environ_getenv(env, "ASAN_OPTIONS");
    std::string asanOptions = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
    env = g_environ_setenv(env, "ASAN_OPTIONS", asanOptions.c_str(), TRUE);
    const gchar* argv[] = {HLQ_SAVE_ONCE, file_.c_str(), kwn::PRINTER, kwn::CODE_PAGE, "5",
                           nullptr};
    gchar* out = nullptr;
    gint status = 0;
    GError* error = nullptr;
    bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), env, G_SPAWN_DEFAULT, nullptr,
                            nullptr, &out, nullptr, &status, &error);
    g_strfreev(env);
    std::string report = ran ? out : std::string("cannot run: ") + error->message;
    if (error) g_error_free(error);
    g_free(out);
    if (ran && !g_spawn_check_wait_status(status, nullptr)) report += " [ended badly]";
    if (!report.empty() && report.back() == '\n') report.pop_back();

    std::istringstream lines(HLQTest_FileExists(log) ? HLQTest_ReadFile(log) : "");
    for (std::string line; std::getline(lines, line);) {
      size_t space = line.find(' ');
      Call call{line.substr(0, space), line.substr(space + 1)};
      const std::string mark = " FAILED";
      if (call.path.size() > mark.size() &&
          call.path.compare(call.path.size() - mark.size(), mark.size(), mark) == 0) {
        call.path.resize(call.path.size() - mark.size());
        failed->push_back(line);
      }
      calls->push_back(call);
    }
    unlink(log.c_str());
    return report;
  }

  TempDir dir_;
  std::string folder_ = dir_.file("hlq");
  std::string file_ = folder_ + "/KWNConfig.xml";
  std::string tempPattern_ = folder_ + "/.KWNConfig.xml.*";
};

bool isSync(const Call& call) { return call.name == "fsync" || call.name == "fdatasync"; }

// The new file gets the original's access (the inherited ACL removed) and
// flags before its content, so that nobody else can open it while it holds
// the content; it is synced before the rename and the folder after.
TEST_F(SaveIo, NewFileGetsItsAccessBeforeItsContentAndIsSyncedBeforeTheRename) {
  std::vector<Call> calls;
  std::vector<std::string> failed;
  ASSERT_EQ(store("", EIO, &calls, &failed), "stored");
  std::string sequence;
  for (const Call& call : calls) sequence += "  " + call.name + " " + call.path + "\n";
  SCOPED_TRACE("calls:\n" + sequence);

  auto isTemp = [&](const Call& call) {
    return g_pattern_match_simple(tempPattern_.c_str(), call.path.c_str());
  };
  std::map<std::string, int> lastOnTemp;  // the last call of each name on the new file
  int created = -1, firstWrite = -1, lastWrite = -1, synced = -1, renamed = -1, folderSynced = -1;
  for (int i = 0; i < static_cast<int>(calls.size()); ++i) {
    const Call& call = calls[i];
    if (isTemp(call)) lastOnTemp[call.name] = i;
    if (call.name == "create" && isTemp(call) && created < 0) created = i;
    if (call.name == "fwrite" && isTemp(call) && firstWrite < 0) firstWrite = i;
    if ((call.name == "fwrite" || call.name == "fflush") && isTemp(call)) lastWrite = i;
    if (isSync(call) && isTemp(call) && renamed < 0) synced = i;
    if ((call.name == "renameat" || call.name == "rename") && isTemp(call) &&
        call.path.substr(call.path.rfind(' ') + 1) == file_)
      renamed = i;
    if (isSync(call) && call.path == folder_ && renamed >= 0) folderSynced = i;
  }
  ASSERT_GE(created, 0) << "no temporary file was created";
  for (const char* giving : {"fremovexattr", "fsetxattr", "setflags", "fchmod"}) {
    ASSERT_EQ(lastOnTemp.count(giving), 1u) << giving << " was not called";
    EXPECT_LT(lastOnTemp[giving], firstWrite) << giving << " came after content was written";
  }
  EXPECT_LT(lastOnTemp["fremovexattr"], lastOnTemp["fchmod"]) << "the mode opened the inherited ACL";
  EXPECT_GT(firstWrite, created) << "the new file was not written";
  EXPECT_GT(synced, lastWrite) << "the new file was not synced after its last write";
  EXPECT_GT(renamed, synced) << "no rename over the file after the sync";
  EXPECT_GT(folderSynced, renamed) << "the folder was not synced after the rename";
}

enum class Way { Rename, InPlace };
// Which file a failed call concerns.
enum class Target { Memory, File, Temp, Folder };

struct Failure {
  Way way;
  const char* call;
  Target target;
  int nth;  // among the calls of that name on that target
  const char* report;
  int error = EIO;
};

const char kIoError[] = "not stored: the file could not be saved: Input/output error";
const char kNotProduced[] =
    "not stored: the file could not be saved: the new content could not be produced";

const Failure kFailures[] = {
    {Way::Rename, "fclose", Target::File, 1, "stored"},  // the file read before the save
    {Way::Rename, "open_memstream", Target::Memory, 1, kIoError},
    {Way::Rename, "fwrite", Target::Memory, 1, kNotProduced},
    {Way::Rename, "fclose", Target::Memory, 1, kNotProduced},
    {Way::Rename, "open", Target::File, 1, kIoError},
    {Way::Rename, "create", Target::Temp, 1, kIoError},
    {Way::Rename, "fdopen", Target::Temp, 1, kIoError},
    {Way::Rename, "fwrite", Target::Temp, 1, kIoError},
    {Way::Rename, "fflush", Target::Temp, 1, kIoError},
    {Way::Rename, "fremovexattr", Target::Temp, 1, "stored"},  // then written in place
    {Way::Rename, "fsetxattr", Target::Temp, 1, "stored"},     // as well
    {Way::Rename, "setflags", Target::Temp, 1, "stored"},      // as well
    {Way::Rename, "fchmod", Target::Temp, 1, kIoError},
    {Way::Rename, "fsync", Target::Temp, 1, kIoError},
    {Way::Rename, "fclose", Target::Temp, 1, kIoError},
    {Way::Rename, "renameat", Target::Temp, 1, kIoError},
    // A full disk or quota, and a file mounted on its own: written in place.
    {Way::Rename, "create", Target::Temp, 1, "stored", ENOSPC},
    {Way::Rename, "fflush", Target::Temp, 1, "stored", EDQUOT},
    {Way::Rename, "fsync", Target::Temp, 1, "stored", ENOSPC},
    {Way::Rename, "renameat", Target::Temp, 1, "stored", EBUSY},
    {Way::Rename, "fsync", Target::Folder, 1, "stored"},
    {Way::InPlace, "open", Target::File, 1, kIoError},
    {Way::InPlace, "fwrite", Target::Memory, 1, kNotProduced},
    {Way::InPlace, "pread", Target::File, 1, kIoError},
    {Way::InPlace, "pwrite", Target::File, 1, kIoError},
    {Way::InPlace, "fsync", Target::File, 1, kIoError},
    {Way::InPlace, "ftruncate", Target::File, 1, "stored"},  // the padding stays
    {Way::InPlace, "fsync", Target::File, 2, "stored"},
};

void PrintTo(const Failure& failure, std::ostream* out) {
  *out << failure.call << " #" << failure.nth << " (" << failure.report << ")";
}

class SaveIoFailure : public SaveIo, public testing::WithParamInterface<Failure> {
 protected:
  std::string pattern(Target target) const {
    switch (target) {
      case Target::Memory: return "-";
      case Target::File: return file_;
      case Target::Temp: return tempPattern_;
      case Target::Folder: return folder_;
    }
    return "";
  }
};

TEST_P(SaveIoFailure, ReportMatchesTheFile) {
  const Failure& failure = GetParam();
  std::string second = dir_.file("second-name.xml");
  if (failure.way == Way::InPlace) {
    ASSERT_EQ(link(file_.c_str(), second.c_str()), 0);
  }
  std::string before = HLQTest_ReadFile(file_);
  std::vector<std::string> entries = HLQTest_FolderEntries(folder_);

  std::vector<Call> calls;
  std::vector<std::string> failed;
  std::string report = store(std::string(failure.call) + " " + std::to_string(failure.nth) + " " +
                                 pattern(failure.target),
                             failure.error, &calls, &failed);
  ASSERT_EQ(failed.size(), 1u) << "the call to fail was not made";
  std::cout << failed[0] << ": " << report << "\n";
  EXPECT_EQ(report, failure.report);
  if (report == "stored")
    EXPECT_EQ(HLQTest_StoredText(file_, kwn::PRINTER, kwn::CODE_PAGE), "5");
  else
    EXPECT_EQ(HLQTest_ReadFile(file_), before);

  struct stat status {};
  ASSERT_EQ(stat(file_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  char value[64] = {};
  EXPECT_EQ(getxattr(file_.c_str(), kAttribute, value, sizeof value),
            static_cast<ssize_t>(sizeof kAttributeValue));
  EXPECT_LT(getxattr(file_.c_str(), "system.posix_acl_access", value, sizeof value), 0)
      << "the ACL inherited from the folder stayed";
  EXPECT_NE(HLQTest_FileFlags(file_) & FS_NODUMP_FL, 0);
  EXPECT_EQ(HLQTest_FolderEntries(folder_), entries);  // no temporary file left
  if (failure.way == Way::InPlace) {
    struct stat other {};
    ASSERT_EQ(stat(second.c_str(), &other), 0);
    EXPECT_EQ(other.st_ino, status.st_ino);
  }
}

std::string failureName(const testing::TestParamInfo<Failure>& info) {
  static const char* const kTargets[] = {"Memory", "File", "Temp", "Folder"};
  const Failure& f = info.param;
  std::string error = f.error == EIO ? "" : std::string("_") + strerrorname_np(f.error);
  return std::string(f.way == Way::Rename ? "Rename_" : "InPlace_") + f.call + "_" +
         kTargets[static_cast<int>(f.target)] + "_" + std::to_string(f.nth) + error;
}

INSTANTIATE_TEST_SUITE_P(EachCall, SaveIoFailure, testing::ValuesIn(kFailures), failureName);

}  // namespace

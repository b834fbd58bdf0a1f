// Apply on the real window when the configuration files cannot be written: a
// read-only mount of the file or of its folder, and a file that the user may
// not write. In each case the files stay byte for byte as they were, no
// temporary file is left, the page lists every value as not stored with the
// reason and the file, and no restart is asked for. A file that the user may
// write in a folder they may not change is written in place, and so is one on
// a full disk where the new content fits into the room the file has.
//
// What "read-only" means for the tool: it changes a configuration file only
// where the user could also have written it in place, so the file's own
// permission bits count, not only the folder's. Permission bits do not bind
// root (nor anyone inside a user namespace of their own), with this tool as
// with any other; for them a file is read-only on a read-only mount (or when
// it is immutable). The tests lay privileges aside to see a user's view.
//
// The program runs in a mount namespace of its own (see
// gtk_private_mounts_main.cpp), so that it may mount small file systems as
// root and as any other user.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "pages/logging_page.h"
#include "tests/support/dialog_catcher.h"
#include "tests/support/private_mounts.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_fixture.h"

namespace {

const char* const kLoggingKeys[] = {kwn::LOG_LEVEL, kwn::MODULE_SERVICE, kwn::MODULE_CD,
                                    kwn::MODULE_LD, kwn::MODULE_MSR, kwn::MODULE_PRINTER_USB};

class UnwritableConfig : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mkdir(folder_.c_str(), 0755), 0); }
  void TearDown() override {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) HLQTest_Unmount(*it);
    chmod(folder_.c_str(), 0755);
  }

  // The configuration folder on a tmpfs of the given size of our own.
  void mountFolder(size_t bytes) {
    if (!HLQTest_PrivateMountsProblem().empty())
      GTEST_SKIP() << "cannot mount file systems here: " << HLQTest_PrivateMountsProblem();
    std::string problem = HLQTest_MountTmpfs(folder_, bytes);
    ASSERT_EQ(problem, "");
    mounts_.push_back(folder_);
  }
  void bindReadOnly(const std::string& path) {
    ASSERT_EQ(HLQTest_BindReadOnly(path), "");
    mounts_.push_back(path);
  }

  // Both configuration files, as the daemon has them, and what the folder
  // holds with them.
  void placeFiles() {
    HLQTest_CopySample("KWNLogging.xml", logging_);
    HLQTest_CopySample("KWNConfig.xml", device_);
    HLQTest_SetLoggingConfigPath(logging_);
    HLQTest_SetDeviceConfigPath(device_);
  }
  void rememberFolder() {
    loggingBefore_ = HLQTest_ReadFile(logging_);
    deviceBefore_ = HLQTest_ReadFile(device_);
    entriesBefore_ = HLQTest_FolderEntries(folder_);
  }

  // The page as the user sees it, with new values chosen, and Apply pressed.
  void showPageAndChangeValues() {
    LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
    ui_.connectSignals();
    gtk_combo_box_set_active(ui_.combos.gtkchboxt_loglevel, 4);
    HLQ_SetChecked(ui_.checks.gtkcheckbtn_cdusbmod, false);
    HLQ_SetChecked(ui_.checks.gtkcheckbtn_msrmod, false);
  }
  std::vector<SeenDialog> pressApply() {
    return HLQTest_PressAndCatch(ui_.button("Logging", "_Apply"));
  }

  // Nothing changed on disk, every value is reported with `reason`, and no
  // restart will follow.
  void expectNothingStored(const std::vector<SeenDialog>& dialogs, const std::string& reason) {
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Logging Configuration");
    const std::string& text = dialogs[0].text;
    EXPECT_NE(text.find("not fully applied"), std::string::npos) << text;
    EXPECT_NE(text.find("Not stored in " + logging_ + ":"), std::string::npos) << text;
    // Each changed field once, by its label.
    for (const char* field : {"Log level", "Cash drawer", "MSR"})
      EXPECT_NE(text.find(std::string(field) + ": the file could not be saved: " + reason),
                std::string::npos)
          << field << " in:\n" << text;
    EXPECT_FALSE(g_hlqConfigChanged);
    EXPECT_EQ(HLQTest_OpenMessageDialogs(), 0);
    expectFilesUntouched();
  }
  // Apply pressed by a user whose permission bits bind, after the files were
  // made unwritable for them.
  void expectUserStoresNothing() {
    rememberFolder();
    showPageAndChangeValues();
    std::vector<SeenDialog> dialogs;
    {
      WithoutPrivileges user;
      ASSERT_TRUE(user.ok());
      dialogs = pressApply();
    }
    expectNothingStored(dialogs, "Permission denied");
  }
  // Apply pressed with `path` (the file or its folder) mounted read-only.
  void expectReadOnlyMountStoresNothing(const std::string& path) {
    mountFolder(1024 * 1024);
    placeFiles();
    bindReadOnly(path);
    rememberFolder();
    showPageAndChangeValues();
    expectNothingStored(pressApply(), "Read-only file system");
  }
  // Apply stored every value, the file keeps its mode, and the folder holds
  // `entries`, no temporary file.
  void expectStored(const std::vector<SeenDialog>& dialogs, mode_t mode,
                    const std::vector<std::string>& entries = {"KWNConfig.xml",
                                                                "KWNLogging.xml"}) {
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, "Logging Settings Applied");
    EXPECT_TRUE(g_hlqConfigChanged);
    CXMLModuleConfig config;
    EXPECT_EQ(config.ReadXMLNodeValue(logging_.c_str(), kwn::LOGGING, kwn::LOG_LEVEL), "4");
    EXPECT_EQ(config.ReadXMLNodeValue(logging_.c_str(), kwn::LOGGING, kwn::MODULE_CD), "false");
    struct stat status {};
    ASSERT_EQ(stat(logging_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode);
    EXPECT_EQ(HLQTest_FolderEntries(folder_), entries);
  }
  void expectFilesUntouched() {
    EXPECT_EQ(HLQTest_ReadFile(logging_), loggingBefore_);
    EXPECT_EQ(HLQTest_ReadFile(device_), deviceBefore_);
    EXPECT_EQ(HLQTest_FolderEntries(folder_), entriesBefore_);  // no temporary file left
  }

  TempDir dir_;
  std::string folder_ = dir_.file("hlq");
  std::string logging_ = folder_ + "/KWNLogging.xml";
  std::string device_ = folder_ + "/KWNConfig.xml";
  std::string loggingBefore_, deviceBefore_;
  std::vector<std::string> entriesBefore_;
  std::vector<std::string> mounts_;
  LoadedUi ui_;
};

// A full disk has no room for a new copy of the file, but the new values
// take no more room than the old ones (a value that does not fit is not
// stored, see test_safe_save.cpp).
TEST_F(UnwritableConfig, FullDiskStoresInTheFileItself) {
  mountFolder(64 * 1024);
  placeFiles();
  ASSERT_EQ(HLQTest_FillFileSystem(folder_ + "/filler"), "");
  showPageAndChangeValues();
  expectStored(pressApply(), 0644, {"KWNConfig.xml", "KWNLogging.xml", "filler"});

  // The device configuration file on the same disk: element texts and
  // attributes alike.
  HXMLWRAPPER config = xmlwrapper_create();
  WriteResult text = xmlwrapper_WriteXMLNodeValue(config, device_.c_str(), kwn::PORTS,
                                                  kwn::LD_USB, "/dev/ttyS19");
  WriteResult attribute = xmlwrapper_WriteXMLNodeProperty(config, device_.c_str(), kwn::PORTS,
                                                          kwn::LD_USB, kwn::ATTR_PID, "0c01");
  xmlwrapper_destroy(config);
  EXPECT_TRUE(text.stored()) << text.reason;
  EXPECT_TRUE(attribute.stored()) << attribute.reason;
}

TEST_F(UnwritableConfig, ReadOnlyMountedFileStoresNothing) {
  expectReadOnlyMountStoresNothing(logging_);
}

TEST_F(UnwritableConfig, ReadOnlyMountedFolderStoresNothing) {
  expectReadOnlyMountStoresNothing(folder_);
}

// The folder is writable, so the file could be replaced, but the user could
// not write the file itself.
TEST_F(UnwritableConfig, FileTheUserMayNotWriteStoresNothing) {
  placeFiles();
  ASSERT_EQ(chmod(logging_.c_str(), 0444), 0);
  expectUserStoresNothing();
  struct stat status {};
  ASSERT_EQ(stat(logging_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0444u);
}

// The user may write the file but not its folder: the values go into the
// file itself, as they would for an editor.
TEST_F(UnwritableConfig, FolderTheUserMayNotWriteStoresInTheFileItself) {
  placeFiles();
  ASSERT_EQ(chmod(folder_.c_str(), 0555), 0);
  showPageAndChangeValues();
  std::vector<SeenDialog> dialogs;
  {
    WithoutPrivileges user;
    ASSERT_TRUE(user.ok());
    dialogs = pressApply();
  }
  expectStored(dialogs, 0644);
}

TEST_F(UnwritableConfig, PermissionBitsDoNotBindAPrivilegedUser) {
  if (!HLQTest_CanOverridePermissions())
    GTEST_SKIP() << "needs root or a user namespace of our own to override permission bits";
  placeFiles();
  ASSERT_EQ(chmod(logging_.c_str(), 0444), 0);
  showPageAndChangeValues();
  expectStored(pressApply(), 0444);
}

}  // namespace

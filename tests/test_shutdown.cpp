// Closing the window (with the daemon restart after an Apply) and the
// interrupt signal (quiet), with a stand-in systemctl.
#include "app/shutdown.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <vector>

#include "app/apply_report.h"
#include "app/instance_lock.h"
#include "app/message_box.h"
#include "tests/support/dialog_catcher.h"
#include "tests/support/fake_systemctl.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

namespace {

class Shutdown : public testing::Test {
 protected:
  void SetUp() override {
    HLQTest_SetLockFilePath(lock_);
    ASSERT_TRUE(HLQCreatePIDFile(lock_.c_str()));
    g_hlqConfigChanged = false;
  }
  void TearDown() override {
    HLQRemovePIDFile(lock_.c_str());
    g_hlqConfigChanged = false;
    EXPECT_EQ(HLQTest_OpenMessageDialogs(), 0);
  }
  TempDir dir_;
  std::string lock_ = dir_.file("hlqconfigtool");
};

// Runs the main loop until `action` (run from inside it) makes it quit.
void runMainLoopAnd(GSourceFunc action) {
  g_idle_add(action, nullptr);
  gtk_main();
}

// Closes the window after an Apply and returns the message boxes it showed.
std::vector<SeenDialog> closeAfterApply() {
  g_hlqConfigChanged = true;
  DialogCatcher catcher;
  on_gtkwindow_hlqconfigtool_destroy(nullptr, nullptr);
  return catcher.dialogs();
}

}  // namespace

TEST_F(Shutdown, ClosingWithoutApplyRemovesTheLockAndSaysNothing) {
  FakeSystemctl systemctl(0);
  DialogCatcher catcher;
  runMainLoopAnd([](gpointer) -> gboolean {
    on_gtkwindow_hlqconfigtool_destroy(nullptr, nullptr);
    return G_SOURCE_REMOVE;
  });
  EXPECT_FALSE(HLQTest_FileExists(lock_));
  EXPECT_TRUE(catcher.dialogs().empty());
  EXPECT_EQ(systemctl.calls(), "");
}

TEST_F(Shutdown, ClosingAfterApplyAnnouncesRestartsOnceAndReportsSuccess) {
  FakeSystemctl systemctl(0);
  std::vector<SeenDialog> dialogs = closeAfterApply();
  EXPECT_FALSE(HLQTest_FileExists(lock_));
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].title, "KWN Service Restart");
  EXPECT_EQ(dialogs[0].text, "Detected Changes on the Configuration \n Need to Restart KWN");
  EXPECT_EQ(dialogs[1].title, "KWN Service Restart");
  EXPECT_EQ(dialogs[1].text, "KWN Service Restarted");
  EXPECT_EQ(systemctl.calls(), "restart kwn\n");
}

TEST_F(Shutdown, AFailedRestartIsReported) {
  FakeSystemctl systemctl(1);
  std::vector<SeenDialog> dialogs = closeAfterApply();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[1].text, "Unable to restart the KWN service");
  EXPECT_EQ(systemctl.calls(), "restart kwn\n");
}

TEST_F(Shutdown, ARestartCommandKilledBySignalIsAFailure) {
  TempDir bin;
  std::string script = bin.file("systemctl");
  HLQTest_WriteFile(script, "#!/bin/sh\nkill -9 $$\n");
  chmod(script.c_str(), 0755);
  std::string oldPath = getenv("PATH");
  setenv("PATH", (bin.path() + ":" + oldPath).c_str(), 1);
  std::vector<SeenDialog> dialogs = closeAfterApply();
  setenv("PATH", oldPath.c_str(), 1);
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[1].text, "Unable to restart the KWN service");
}

TEST_F(Shutdown, InterruptAfterApplyEndsQuietlyWithoutRestart) {
  FakeSystemctl systemctl(0);
  g_hlqConfigChanged = true;
  HLQInstallInterruptHandler();
  DialogCatcher catcher;
  runMainLoopAnd([](gpointer) -> gboolean {
    raise(SIGINT);
    return G_SOURCE_REMOVE;
  });
  EXPECT_TRUE(HLQInterrupted());
  EXPECT_FALSE(HLQTest_FileExists(lock_));
  EXPECT_TRUE(catcher.dialogs().empty());
  EXPECT_EQ(systemctl.calls(), "");
}

TEST_F(Shutdown, InterruptNeverRemovesALockThisInstanceDoesNotHold) {
  HLQRemovePIDFile(lock_.c_str());
  HLQTest_WriteFile(lock_, "");  // held by "another instance"
  INTsighandler(nullptr);
  EXPECT_TRUE(HLQTest_FileExists(lock_));
}

TEST(MessageBox, ShowsPercentSignsLiterallyWithTitleAndDestroysTheDialog) {
  DialogCatcher catcher;
  StatusMessageBox("100% done %s %d", "Title %s");
  ASSERT_EQ(catcher.dialogs().size(), 1u);
  EXPECT_EQ(catcher.dialogs()[0].text, "100% done %s %d");
  EXPECT_EQ(catcher.dialogs()[0].title, "Title %s");
  HLQTest_DrainEvents();
  EXPECT_EQ(HLQTest_OpenMessageDialogs(), 0);
}

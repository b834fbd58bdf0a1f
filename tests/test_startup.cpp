// The whole start-up sequence in this process: a normal start and close, the
// refusal of a second instance, a UI file that cannot serve, FIFOs as files.
#include "app/startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/instance_lock.h"
#include "pages/logging_page.h"
#include "pages/msr_page.h"
#include "tests/support/dialog_catcher.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_fixture.h"
#include "tests/support/usb_testbed.h"

namespace {

class Startup : public testing::Test {
 protected:
  void SetUp() override {
    HLQTest_CopySample("KWNConfig.xml", device_);
    HLQTest_CopySample("KWNLogging.xml", logging_);
    HLQTest_SetDeviceConfigPath(device_);
    HLQTest_SetLoggingConfigPath(logging_);
    HLQTest_SetLockFilePath(lock_);
    HLQTest_SetUiFilePath(HLQTest_SourceUiFile());
  }
  UsbTestbed usb_;  // the page initialisers look at an emulated, empty bus
  TempDir dir_;
  std::string device_ = dir_.file("KWNConfig.xml");
  std::string logging_ = dir_.file("KWNLogging.xml");
  std::string lock_ = dir_.file("hlqconfigtool");
};

// Closes the main window as soon as it is shown, as a user closing it.
gboolean closeMainWindow(gpointer) {
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next)
    if (gtk_widget_get_visible(GTK_WIDGET(l->data)) && !GTK_IS_MESSAGE_DIALOG(l->data)) {
      gtk_widget_destroy(GTK_WIDGET(l->data));
      g_list_free(toplevels);
      return G_SOURCE_REMOVE;
    }
  g_list_free(toplevels);
  return G_SOURCE_CONTINUE;
}

}  // namespace

TEST_F(Startup, RunsWithTheLockHeldAndEndsWithItRemoved) {
  bool lockSeenWhileRunning = false;
  g_timeout_add(20, [](gpointer seen) -> gboolean {
    *static_cast<bool*>(seen) = HLQHoldsPIDFile();
    return G_SOURCE_REMOVE;
  }, &lockSeenWhileRunning);
  g_timeout_add(50, closeMainWindow, nullptr);
  DialogCatcher catcher;
  char arg0[] = "hlqconfig";
  char* argv[] = {arg0, nullptr};
  EXPECT_EQ(HLQMain(1, argv), 0);
  EXPECT_TRUE(lockSeenWhileRunning);
  EXPECT_FALSE(HLQTest_FileExists(lock_));
  EXPECT_TRUE(catcher.dialogs().empty());  // nothing applied, nothing said
}

TEST_F(Startup, ASecondInstanceIsRefusedWithoutShowingItsWindow) {
  // The first instance runs in a child process and holds the lock.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t first = fork();
  if (first == 0) {
    char ok = HLQCreatePIDFile(lock_.c_str()) ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');

  DialogCatcher catcher;
  char arg0[] = "hlqconfig";
  char* argv[] = {arg0, nullptr};
  EXPECT_EQ(HLQMain(1, argv), 0);
  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);

  ASSERT_EQ(catcher.dialogs().size(), 1u);
  EXPECT_EQ(catcher.dialogs()[0].title, "Another Instance of HLQ Config Tool Runnig");
  EXPECT_EQ(catcher.dialogs()[0].text,
            "Sorry! There is another instance of  HLQ Configurtion Tool Runnig");
  EXPECT_TRUE(HLQTest_FileExists(lock_));  // the other instance's file stays
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next)
    EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(l->data)));
  g_list_free(toplevels);
}

TEST_F(Startup, AMissingUiFileIsNamedAndNoLockIsCreated) {
  HLQTest_SetUiFilePath(dir_.file("missing.ui"));
  testing::internal::CaptureStderr();
  char arg0[] = "hlqconfig";
  char* argv[] = {arg0, nullptr};
  EXPECT_EQ(HLQMain(1, argv), 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(dir_.file("missing.ui")), std::string::npos) << err;
  EXPECT_FALSE(HLQTest_FileExists(lock_));
}

TEST_F(Startup, AUiFileLackingWidgetsNamesEveryMissingOrWrongId) {
  std::string ui = dir_.file("broken.ui");
  HLQTest_WriteFile(ui,
                    "<interface><object class=\"GtkWindow\" id=\"gtkwindow_hlqconfigtool\">"
                    "<child><object class=\"GtkLabel\" id=\"gtkedt_printerpid\"/></child>"
                    "</object></interface>");
  HLQTest_SetUiFilePath(ui);
  testing::internal::CaptureStderr();
  char arg0[] = "hlqconfig";
  char* argv[] = {arg0, nullptr};
  EXPECT_EQ(HLQMain(1, argv), 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(ui), std::string::npos) << err;
  EXPECT_NE(err.find("gtkedt_printerpid (GtkLabel, not GtkEntry)"), std::string::npos) << err;
  EXPECT_NE(err.find("gtkcheckbnt_track2enbld (missing)"), std::string::npos) << err;
  EXPECT_NE(err.find("gtkchboxt_loglevel (missing)"), std::string::npos) << err;
  EXPECT_FALSE(HLQTest_FileExists(lock_));
}

// A FIFO at a configuration path, or behind its link, hung start-up and every
// Apply in the open; the alarm turns such a hang into a failure.
TEST_F(Startup, FifosAtTheConfigurationPathsHangNeitherStartUpNorApply) {
  const std::string fifo = dir_.file("elsewhere.fifo");
  ASSERT_TRUE(::remove(device_.c_str()) == 0 && ::remove(logging_.c_str()) == 0);
  ASSERT_TRUE(mkfifo(device_.c_str(), 0666) == 0 && mkfifo(fifo.c_str(), 0666) == 0);
  ASSERT_EQ(symlink(fifo.c_str(), logging_.c_str()), 0);
  alarm(10);
  LoadedUi ui;
  HLQInitPages(&ui.combos, &ui.entries, &ui.checks);
  ApplyReport msr = MSRTab_WriteValues(&ui.combos, &ui.checks, &ui.entries);
  ApplyReport logging = LoggingTab_WriteValues(&ui.combos, &ui.checks);
  alarm(0);
  EXPECT_EQ(msr.stored + logging.stored, 0);
  for (const ApplyReport* report : {&msr, &logging})
    EXPECT_EQ(report->unreadReason, "the path is not a regular file") << report->file;
}

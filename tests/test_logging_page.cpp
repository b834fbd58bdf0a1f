// The logging page on the real window and a real logging configuration file.
#include "pages/logging_page.h"

#include <gtest/gtest.h>

#include "app/page_fill.h"
#include "config/config_layout.h"
#include "config/xml_config.h"
#include "tests/support/dialog_catcher.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_fixture.h"

namespace {

class LoggingPage : public testing::Test {
 protected:
  void SetUp() override {
    HLQTest_CopySample("KWNLogging.xml", file_);
    HLQTest_SetLoggingConfigPath(file_);
  }

  void store(const char* key, const char* text) {
    CXMLModuleConfig config;
    ASSERT_TRUE(config.WriteXMLNodeValue(file_.c_str(), kwn::LOGGING, key, text).stored());
  }
  std::optional<std::string> stored(const char* key) {
    return CXMLModuleConfig().ReadXMLNodeValue(file_.c_str(), kwn::LOGGING, key);
  }
  // Removes one key element from the file.
  void removeKey(const std::string& key) {
    std::string text = HLQTest_ReadFile(file_);
    size_t start = text.find("<" + key + ">");
    size_t end = text.find("</" + key + ">");
    ASSERT_NE(start, std::string::npos);
    text.erase(start, end + key.size() + 3 - start);
    HLQTest_WriteFile(file_, text);
  }
  int level() { return gtk_combo_box_get_active(ui_.combos.gtkchboxt_loglevel); }
  bool checked(GtkCheckButton* HLQCheckBoxes::*box) { return HLQ_IsChecked(ui_.checks.*box); }

  TempDir dir_;
  std::string file_ = dir_.file("KWNLogging.xml");
  LoadedUi ui_;
};

}  // namespace

TEST_F(LoggingPage, ShowsTheStoredLevelAndSwitchesAndWritesThemBack) {
  store(kwn::LOG_LEVEL, "2");
  store(kwn::MODULE_CD, "false");
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
  EXPECT_EQ(level(), 2);
  EXPECT_TRUE(checked(&HLQCheckBoxes::gtkcheckbtn_hlqsvc));
  EXPECT_FALSE(checked(&HLQCheckBoxes::gtkcheckbtn_cdusbmod));

  gtk_combo_box_set_active(ui_.combos.gtkchboxt_loglevel, 4);
  ApplyReport report = LoggingTab_WriteValues(&ui_.combos, &ui_.checks);
  EXPECT_EQ(report.stored, 1);  // only the level changed
  EXPECT_TRUE(report.notStored.empty());
  EXPECT_EQ(stored(kwn::LOG_LEVEL), "4");
  EXPECT_EQ(stored(kwn::MODULE_CD), "false");
  EXPECT_EQ(stored(kwn::MODULE_SERVICE), "true");
}

TEST_F(LoggingPage, ReadsTheLevelByStrtolRules) {
  struct Case {
    const char* text;
    int position;
  } cases[] = {{" 3", 3}, {"3x", 3}, {"abc", 0}, {"", 0}, {"+1", 1}, {"-1", -1}, {"999", -1}};
  for (const auto& c : cases) {
    store(kwn::LOG_LEVEL, c.text);
    gtk_combo_box_set_active(ui_.combos.gtkchboxt_loglevel, 5);
    LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
    EXPECT_EQ(level(), c.position) << "stored \"" << c.text << "\"";
  }
}

TEST_F(LoggingPage, NoSelectionIsWrittenAsMinusOneAndAnUntouchedOneNotAtAll) {
  store(kwn::LOG_LEVEL, "999");
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
  EXPECT_TRUE(LoggingTab_WriteValues(&ui_.combos, &ui_.checks).unchanged);
  EXPECT_EQ(stored(kwn::LOG_LEVEL), "999");
  store(kwn::LOG_LEVEL, "2");
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
  gtk_combo_box_set_active(ui_.combos.gtkchboxt_loglevel, -1);
  LoggingTab_WriteValues(&ui_.combos, &ui_.checks);
  EXPECT_EQ(stored(kwn::LOG_LEVEL), "-1");
}

TEST_F(LoggingPage, ALevelBelowMinusOneSelectsNothing) {
  store(kwn::LOG_LEVEL, "-7");
  gtk_combo_box_set_active(ui_.combos.gtkchboxt_loglevel, 1);
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);  // no GTK critical either
  EXPECT_EQ(level(), -1);
}

TEST_F(LoggingPage, OnlyExactlyTrueChecksABox) {
  for (const char* text : {"True", "TRUE", "1", " true", "true ", ""}) {
    store(kwn::MODULE_CD, text);
    HLQ_SetChecked(ui_.checks.gtkcheckbtn_cdusbmod, true);
    LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
    EXPECT_FALSE(checked(&HLQCheckBoxes::gtkcheckbtn_cdusbmod)) << "stored \"" << text << "\"";
    LoggingTab_WriteValues(&ui_.combos, &ui_.checks);
    EXPECT_EQ(stored(kwn::MODULE_CD), text);  // untouched: left as stored
    HLQ_SetChecked(ui_.checks.gtkcheckbtn_cdusbmod, true);
    LoggingTab_WriteValues(&ui_.combos, &ui_.checks);
    EXPECT_EQ(stored(kwn::MODULE_CD), "true");
  }
}

TEST_F(LoggingPage, PairsEachBoxWithItsKeyNotItsRegistryPosition) {
  // The printer's box is second in the registry but its key is the last one.
  for (const char* key : {kwn::MODULE_SERVICE, kwn::MODULE_CD, kwn::MODULE_LD, kwn::MODULE_MSR})
    store(key, "false");
  store(kwn::MODULE_PRINTER_USB, "true");
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
  EXPECT_TRUE(checked(&HLQCheckBoxes::gtkcheckbtn_printermod));
  EXPECT_FALSE(checked(&HLQCheckBoxes::gtkcheckbtn_hlqsvc));
  EXPECT_FALSE(checked(&HLQCheckBoxes::gtkcheckbtn_cdusbmod));

  HLQ_SetChecked(ui_.checks.gtkcheckbtn_printermod, false);
  HLQ_SetChecked(ui_.checks.gtkcheckbtn_msrmod, true);
  LoggingTab_WriteValues(&ui_.combos, &ui_.checks);
  EXPECT_EQ(stored(kwn::MODULE_PRINTER_USB), "false");
  EXPECT_EQ(stored(kwn::MODULE_MSR), "true");
  EXPECT_EQ(stored(kwn::MODULE_SERVICE), "false");
}

TEST_F(LoggingPage, AMissingFileShowsPositionZeroAndUncheckedBoxes) {
  HLQTest_SetLoggingConfigPath(dir_.file("absent.xml"));
  HLQ_SetChecked(ui_.checks.gtkcheckbtn_ldmod, true);
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
  EXPECT_EQ(level(), 0);
  EXPECT_FALSE(checked(&HLQCheckBoxes::gtkcheckbtn_ldmod));
}

TEST_F(LoggingPage, DefaultThenApplyStoresLevelZeroAndEveryModuleOn) {
  for (const char* key : {kwn::MODULE_SERVICE, kwn::MODULE_CD, kwn::MODULE_LD, kwn::MODULE_MSR,
                          kwn::MODULE_PRINTER_USB})
    store(key, "false");
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
  ui_.connectSignals();
  std::string before = HLQTest_ReadFile(file_);
  gtk_button_clicked(ui_.button("Logging", "_Default"));
  EXPECT_EQ(HLQTest_ReadFile(file_), before);  // Default alone writes nothing
  EXPECT_FALSE(g_hlqConfigChanged);            // and leaves closing without a restart

  std::vector<SeenDialog> dialogs = HLQTest_PressAndCatch(ui_.button("Logging", "_Apply"));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].title, "Logging Configuration");
  EXPECT_EQ(dialogs[0].text, "Logging Settings Applied");
  EXPECT_TRUE(g_hlqConfigChanged);
  EXPECT_EQ(stored(kwn::LOG_LEVEL), "0");
  for (const char* key : {kwn::MODULE_SERVICE, kwn::MODULE_CD, kwn::MODULE_LD, kwn::MODULE_MSR,
                          kwn::MODULE_PRINTER_USB})
    EXPECT_EQ(stored(key), "true") << key;
}

TEST_F(LoggingPage, AMissingElementIsReportedAndTheOthersAreStored) {
  removeKey(kwn::MODULE_LD);
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
  ui_.connectSignals();
  HLQ_SetChecked(ui_.checks.gtkcheckbtn_hlqsvc, false);
  HLQ_SetChecked(ui_.checks.gtkcheckbtn_ldmod, true);
  std::vector<SeenDialog> dialogs = HLQTest_PressAndCatch(ui_.button("Logging", "_Apply"));

  EXPECT_EQ(stored(kwn::MODULE_SERVICE), "false");
  EXPECT_FALSE(stored(kwn::MODULE_LD).has_value());  // never created
  EXPECT_EQ(HLQTest_ReadFile(file_).find("Module_LD"), std::string::npos);
  ASSERT_EQ(dialogs.size(), 1u);
  const std::string& text = dialogs[0].text;
  EXPECT_EQ(dialogs[0].title, "Logging Configuration");
  EXPECT_EQ(text.find("Logging Settings Applied"), std::string::npos) << text;
  EXPECT_NE(text.find("Line display"), std::string::npos) << text;  // by its label
  EXPECT_NE(text.find(file_), std::string::npos) << text;
  EXPECT_EQ(text.find("Service"), std::string::npos) << text;  // that one was stored
  EXPECT_TRUE(g_hlqConfigChanged);
}

TEST_F(LoggingPage, AnApplyThatStoresNothingDoesNotAskForARestart) {
  HLQTest_SetLoggingConfigPath(dir_.file("absent.xml"));
  LoggingTab_ReadValuesforInit(&ui_.combos, &ui_.checks);
  ui_.connectSignals();
  std::vector<SeenDialog> dialogs = HLQTest_PressAndCatch(ui_.button("Logging", "_Apply"));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_NE(dialogs[0].text.find(dir_.file("absent.xml") + " could not be read"),
            std::string::npos)
      << dialogs[0].text;
  EXPECT_FALSE(g_hlqConfigChanged);
  EXPECT_FALSE(HLQTest_FileExists(dir_.file("absent.xml")));
}

// Another program changes the file while the page shows it: Apply asks
// before overwriting its values, names each with what the file holds and
// what the page would store, and stores nothing on No. A value the other
// program set to what the page stores anyway, or one the page did not
// change, is not asked about.
TEST_F(LoggingPage, AsksBeforeOverwritingWhatAnotherProgramChanged) {
  HLQ_FillPage(HLQPage::Logging, &ui_.combos, &ui_.entries, &ui_.checks);
  ui_.connectSignals();
  store(kwn::LOG_LEVEL, "5");
  store(kwn::MODULE_CD, "false");
  store(kwn::MODULE_MSR, "false");
  gtk_combo_box_set_active(ui_.combos.gtkchboxt_loglevel, 1);
  HLQ_SetChecked(ui_.checks.gtkcheckbtn_msrmod, false);
  const std::string changedElsewhere = HLQTest_ReadFile(file_);

  std::vector<SeenDialog> dialogs = HLQTest_PressAndCatch(ui_.button("Logging", "_Apply"));
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].title, "Logging Configuration");
  EXPECT_EQ(dialogs[0].text,
            "Another program has changed these settings since this page read them:\n"
            "\u2022 Settings \u203a Log level: now \"Critical\", this page \"Debug\"\n\n"
            "Store this page's values over them?");
  EXPECT_EQ(dialogs[1].text, "Nothing was stored: the values that another program stored were kept.");
  EXPECT_EQ(HLQTest_ReadFile(file_), changedElsewhere);
  EXPECT_FALSE(g_hlqConfigChanged);

  dialogs = HLQTest_PressAndCatch(ui_.button("Logging", "_Apply"), GTK_RESPONSE_YES);
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[1].text, "Logging Settings Applied");
  EXPECT_EQ(stored(kwn::LOG_LEVEL), "1");
  EXPECT_EQ(stored(kwn::MODULE_CD), "false");  // the page did not touch it
  EXPECT_TRUE(g_hlqConfigChanged);
  // What this Apply stored is what the page now shows: nothing to store again.
  dialogs = HLQTest_PressAndCatch(ui_.button("Logging", "_Apply"));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, "Nothing was stored: every value of this page is as it was read.");
}

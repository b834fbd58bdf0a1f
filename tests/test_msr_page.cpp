// The MSR page on the real window and a real device configuration file: what
// start-up shows, what Apply stores, and the check box rules.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/apply_report.h"
#include "config/config_layout.h"
#include "model/page_model.h"
#include "pages/msr_page.h"
#include "pages/page_fields.h"
#include "tests/support/dialog_catcher.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_fixture.h"
#include "tests/support/xml_file.h"

namespace {

// The page's keys, taken from the page model, so that a value the model
// adds to the page is covered here without a list of its own.
std::vector<std::string> msrKeys(bool (*wanted)(const HLQStoredValue&)) {
  std::vector<std::string> keys;
  for (const HLQStoredValue& value : HLQ_StoredValues())
    if (value.page == HLQPage::Msr && value.section == std::string(kwn::MSR) && wanted(value))
      keys.push_back(value.key);
  return keys;
}
bool isWrapperFlag(const HLQStoredValue& value) {
  for (const HLQWrapperKeys& wrapper : HLQ_WRAPPERS)
    if (value.key == std::string(wrapper.flag)) return true;
  return false;
}
const std::vector<std::string> kBooleanKeys = msrKeys([](const HLQStoredValue& v) {
  return v.rule == HLQRuleKind::DeviceBool && !isWrapperFlag(v);
});
const std::vector<std::string> kSentinelKeys =
    msrKeys([](const HLQStoredValue& v) { return v.rule == HLQRuleKind::Sentinel; });
const std::vector<std::string> kAllMsrKeys = msrKeys([](const HLQStoredValue&) { return true; });

struct Wrapper {
  const char* name;
  GtkCheckButton* HLQCheckBoxes::*box;
  GtkEntry* HLQEntries::*entry;
  std::string active, keptAside, flag;
};
const Wrapper kWrappers[] = {
    {"head", &HLQCheckBoxes::gtkcheckbtn_headwrapper, &HLQEntries::gtkentry_headwrapper,
     "Head_Wrapper", "Head_Wrapper_Bk", "Head_Wrapper_Chbx"},
    {"tail", &HLQCheckBoxes::gtkcheckbtn_tailwrapper, &HLQEntries::gtkentry_tailwrapper,
     "Tail_Wrapper", "Tail_Wrapper_Bk", "Tail_Wrapper_Chbx"},
};

bool sensitive(GtkCheckButton* box) { return gtk_widget_get_sensitive(GTK_WIDGET(box)); }
bool editable(GtkEntry* entry) { return gtk_editable_get_editable(GTK_EDITABLE(entry)); }
std::string textOf(GtkEntry* entry) { return gtk_entry_get_text(entry); }

class MsrPage : public ::testing::Test {
 protected:
  void SetUp() override {
    HLQTest_CopySample("KWNConfig.xml", path_);
    HLQTest_SetDeviceConfigPath(path_);
  }
  void TearDown() override { HLQTest_SetDeviceConfigPath("/nonexistent/KWNConfig.xml"); }

  // A start of the tool as far as this page goes: the window, the page
  // filled, then the handlers connected.
  void start(bool entriesWithoutMaxLength = false) {
    ui_.reset();
    ui_ = std::make_unique<LoadedUi>();
    if (entriesWithoutMaxLength)
      for (auto* entry : msrEntries()) gtk_entry_set_max_length(entry, 0);
    MSRTab_ReadValuesforInit(&ui_->combos, &ui_->checks, &ui_->entries);
    ui_->connectSignals();
  }
  ApplyReport apply() { return MSRTab_WriteValues(&ui_->combos, &ui_->checks, &ui_->entries); }
  // The Apply button pressed, its message box answered.
  SeenDialog pressApply() { return HLQTest_PressForOneMessage(ui_->button("MSR", "_Apply")); }

  // The file is read and edited here with tinyxml2 directly, not through the
  // configuration layer the page uses.
  std::optional<std::string> stored(const char* section, const std::string& key) {
    return HLQTest_StoredText(path_, section, key.c_str());
  }
  std::optional<std::string> msr(const std::string& key) { return stored(kwn::MSR, key); }
  std::map<std::string, std::optional<std::string>> allMsr() {
    std::map<std::string, std::optional<std::string>> values;
    for (const auto& key : kAllMsrKeys) values[key] = msr(key);
    return values;
  }
  void store(const char* section, const std::string& key, const char* text) {
    HLQTest_StoreText(path_, section, key.c_str(), text);
  }
  void storeMsr(const std::string& key, const char* text) { store(kwn::MSR, key, text); }
  // A null key removes the whole section.
  void remove(const char* section, const char* key) { HLQTest_RemoveElement(path_, section, key); }

  // The check box the window binds to the key.
  GtkCheckButton* box(const std::string& key) {
    const HLQStoredValue* value =
        HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::MSR, key.c_str(), nullptr);
    EXPECT_NE(value, nullptr) << key;
    return GTK_CHECK_BUTTON(HLQ_FieldWidget(value->name));
  }
  std::vector<GtkCheckButton*> perTrackCr() {
    return {box("Track1_CR_Enabled"), box("Track2_CR_Enabled"), box("Track3_CR_Enabled")};
  }
  std::vector<GtkEntry*> sentinels() {
    return {ui_->entries.gtkentry_startsentinelt1, ui_->entries.gtkentry_startsentinelt2,
            ui_->entries.gtkentry_startsentinelt3, ui_->entries.gtkentry_endsentinel};
  }
  std::vector<GtkEntry*> msrEntries() {
    auto all = sentinels();
    all.push_back(ui_->entries.gtkentry_headwrapper);
    all.push_back(ui_->entries.gtkentry_tailwrapper);
    return all;
  }
  GtkComboBox* port() { return GTK_COMBO_BOX(ui_->combos.gtkcboxt_msrport); }

  TempDir dir_;
  std::string path_ = dir_.file("KWNConfig.xml");
  std::unique_ptr<LoadedUi> ui_;
};

TEST_F(MsrPage, ApplyOfAnUntouchedPageWritesNothingAndNothingForRawDataMode) {
  const std::string file = HLQTest_ReadFile(path_);
  start();
  EXPECT_EQ(gtk_combo_box_get_active(port()), 1);
  EXPECT_FALSE(sensitive(ui_->checks.gtkcheckbtn_rawdatamode));
  // Whatever raw data mode shows, it has no key of its own.
  HLQ_SetChecked(ui_->checks.gtkcheckbtn_rawdatamode, true);

  SeenDialog dialog = pressApply();
  EXPECT_EQ(dialog.title, "MSR Configuration");
  EXPECT_EQ(dialog.text, "Nothing was stored: every value of this page is as it was read.");
  EXPECT_FALSE(g_hlqConfigChanged);  // and no restart for it
  EXPECT_EQ(HLQTest_ReadFile(path_), file);

  tinyxml2::XMLDocument doc;
  ASSERT_EQ(doc.LoadFile(path_.c_str()), tinyxml2::XML_SUCCESS);
  int elements = 0;
  for (auto* e = doc.RootElement()->FirstChildElement(kwn::MSR)->FirstChildElement(); e;
       e = e->NextSiblingElement())
    ++elements;
  int modelled = 0;  // the section holds the model's elements, no more
  for (const HLQStoredValue& value : HLQ_StoredValues())
    modelled += std::string(value.section) == kwn::MSR;
  EXPECT_EQ(elements, modelled);

  start();  // and again after a restart
  EXPECT_FALSE(sensitive(ui_->checks.gtkcheckbtn_rawdatamode));
}

TEST_F(MsrPage, GlobalCarriageReturnGreysOutThePerTrackBoxesWithoutChangingThem) {
  storeMsr("CR_Enabled", "1");
  storeMsr("Track2_CR_Enabled", "1");
  start();
  EXPECT_TRUE(HLQ_IsChecked(box("CR_Enabled")));
  for (auto* b : perTrackCr()) EXPECT_FALSE(sensitive(b));
  EXPECT_FALSE(HLQ_IsChecked(box("Track1_CR_Enabled")));
  EXPECT_TRUE(HLQ_IsChecked(box("Track2_CR_Enabled")));

  EXPECT_TRUE(apply().notStored.empty());
  EXPECT_EQ(msr("CR_Enabled"), "1");
  EXPECT_EQ(msr("Track2_CR_Enabled"), "1");
  EXPECT_EQ(msr("Track1_CR_Enabled"), "0");

  HLQ_SetChecked(box("CR_Enabled"), false);
  for (auto* b : perTrackCr()) EXPECT_TRUE(sensitive(b));
  EXPECT_FALSE(HLQ_IsChecked(box("Track1_CR_Enabled")));
  EXPECT_TRUE(HLQ_IsChecked(box("Track2_CR_Enabled")));
  EXPECT_FALSE(HLQ_IsChecked(box("Track3_CR_Enabled")));

  HLQ_SetChecked(box("CR_Enabled"), true);
  for (auto* b : perTrackCr()) EXPECT_FALSE(sensitive(b));
  EXPECT_TRUE(HLQ_IsChecked(box("Track2_CR_Enabled")));
}

TEST_F(MsrPage, PerTrackBoxesAreSensitiveWhileTheGlobalBoxIsOff) {
  storeMsr("CR_Enabled", "0");
  storeMsr("Track3_CR_Enabled", "1");
  start();
  for (auto* b : perTrackCr()) EXPECT_TRUE(sensitive(b));
  EXPECT_TRUE(HLQ_IsChecked(box("Track3_CR_Enabled")));
}

TEST_F(MsrPage, BooleansAreOnOnlyForExactlyOne) {
  for (const char* text : {"true", "0", "", " 1", "1 ", "01", "10"}) {
    SCOPED_TRACE(std::string("stored \"") + text + "\"");
    for (const auto& key : kBooleanKeys) storeMsr(key, text);
    for (const auto& w : kWrappers) storeMsr(w.flag, text);
    start();
    for (const auto& key : kBooleanKeys) EXPECT_FALSE(HLQ_IsChecked(box(key))) << key;
    for (const auto& w : kWrappers) EXPECT_FALSE(HLQ_IsChecked(ui_->checks.*w.box)) << w.name;
    EXPECT_TRUE(apply().notStored.empty());
    // Untouched, they are left as stored; changed, they are stored as "1"/"0".
    for (const auto& key : kBooleanKeys) EXPECT_EQ(msr(key), text) << key;
    HLQ_SetChecked(box("Track1_Enabled"), true);
    HLQ_SetChecked(ui_->checks.gtkcheckbtn_headwrapper, true);
    EXPECT_TRUE(apply().notStored.empty());
    EXPECT_EQ(msr("Track1_Enabled"), "1");
    EXPECT_EQ(msr("Head_Wrapper_Chbx"), "1");
  }
  for (const auto& key : kBooleanKeys) storeMsr(key, "1");
  start();
  for (const auto& key : kBooleanKeys) EXPECT_TRUE(HLQ_IsChecked(box(key))) << key;
}

TEST_F(MsrPage, EmptySentinelsShowEmptyAndEmptiedOnesAreStoredAsTheirDefaults) {
  for (const auto& key : kSentinelKeys) storeMsr(key, "");
  start();
  for (auto* entry : sentinels()) EXPECT_EQ(textOf(entry), "");
  for (const auto& key : kSentinelKeys) storeMsr(key, "#");
  start();
  for (auto* entry : sentinels()) gtk_entry_set_text(entry, "");
  EXPECT_TRUE(apply().notStored.empty());
  EXPECT_EQ(msr("Track1_Start_Sentinel"), "%");
  EXPECT_EQ(msr("Track2_Start_Sentinel"), ";");
  EXPECT_EQ(msr("Track3_Start_Sentinel"), "+");
  EXPECT_EQ(msr("End_Sentinel"), "?");

  gtk_entry_set_text(ui_->entries.gtkentry_startsentinelt2, "#");
  gtk_entry_set_text(ui_->entries.gtkentry_endsentinel, "!");
  apply();
  EXPECT_EQ(msr("Track2_Start_Sentinel"), "#");
  EXPECT_EQ(msr("End_Sentinel"), "!");
}

// The parser keeps no text of blanks alone, so it would read back empty.
TEST_F(MsrPage, BlankSentinelsAreStoredAsDefaultsAndBlankWrapperTextsAreRefused) {
  storeMsr("Head_Wrapper_Bk", "kept");
  auto before = allMsr();
  start();
  gtk_entry_set_text(ui_->entries.gtkentry_startsentinelt1, " ");
  HLQ_SetChecked(ui_->checks.gtkcheckbtn_headwrapper, true);
  gtk_entry_set_text(ui_->entries.gtkentry_headwrapper, " \t ");
  ApplyReport report = apply();
  EXPECT_EQ(allMsr(), before);  // a refused field: nothing of the page is stored
  EXPECT_TRUE(report.refused);
  ASSERT_EQ(report.notStored.size(), 1u);
  EXPECT_EQ(report.notStored[0].reason,
            "holds \" \\t \": a wrapper text holds at most 8 characters and no control "
            "characters, not \" \\t \"");

  gtk_entry_set_text(ui_->entries.gtkentry_headwrapper, "kept");
  EXPECT_TRUE(apply().notStored.empty());
  EXPECT_EQ(msr("Track1_Start_Sentinel"), "%");
}

TEST_F(MsrPage, WrapperTextMovesBetweenActiveAndKeptAsideAcrossRestarts) {
  for (const auto& w : kWrappers) {
    SCOPED_TRACE(w.name);
    start();
    GtkEntry* entry = ui_->entries.*w.entry;
    GtkCheckButton* wrapperBox = ui_->checks.*w.box;
    EXPECT_FALSE(editable(entry));
    HLQ_SetChecked(wrapperBox, true);
    EXPECT_TRUE(editable(entry));
    gtk_entry_set_text(entry, "<[");
    apply();
    EXPECT_EQ(msr(w.active), "<[");
    EXPECT_EQ(msr(w.keptAside), "");
    EXPECT_EQ(msr(w.flag), "1");

    HLQ_SetChecked(wrapperBox, false);
    EXPECT_FALSE(editable(entry));
    EXPECT_EQ(textOf(entry), "<[");
    apply();
    EXPECT_EQ(msr(w.active), "");
    EXPECT_EQ(msr(w.keptAside), "<[");
    EXPECT_EQ(msr(w.flag), "0");

    start();
    entry = ui_->entries.*w.entry;
    wrapperBox = ui_->checks.*w.box;
    EXPECT_EQ(textOf(entry), "<[");
    EXPECT_FALSE(HLQ_IsChecked(wrapperBox));
    EXPECT_FALSE(editable(entry));
    HLQ_SetChecked(wrapperBox, true);
    EXPECT_TRUE(editable(entry));
    apply();
    EXPECT_EQ(msr(w.active), "<[");
    EXPECT_EQ(msr(w.keptAside), "");
    EXPECT_EQ(msr(w.flag), "1");

    start();
    EXPECT_EQ(textOf(ui_->entries.*w.entry), "<[");
    EXPECT_TRUE(editable(ui_->entries.*w.entry));
  }
}

TEST_F(MsrPage, TheFlagChoosesWhichTextOfThePairIsShownEvenWhenItIsEmpty) {
  for (const auto& w : kWrappers) {
    storeMsr(w.active, "");
    storeMsr(w.keptAside, "kept");
    storeMsr(w.flag, "1");
  }
  start();
  for (const auto& w : kWrappers) {
    EXPECT_EQ(textOf(ui_->entries.*w.entry), "") << w.name;
    EXPECT_TRUE(HLQ_IsChecked(ui_->checks.*w.box)) << w.name;
    EXPECT_TRUE(editable(ui_->entries.*w.entry)) << w.name;
  }
  for (const auto& w : kWrappers) {
    storeMsr(w.active, "act");
    storeMsr(w.keptAside, "");
    storeMsr(w.flag, "0");
  }
  start();
  for (const auto& w : kWrappers) EXPECT_EQ(textOf(ui_->entries.*w.entry), "") << w.name;
}

TEST_F(MsrPage, MissingElementsShowAsNoneOffEmptyOrTheOtherTextOfThePair) {
  remove(kwn::PORTS, "MSR_USB");
  remove(kwn::MSR, "Track1_Enabled");
  remove(kwn::MSR, "End_Sentinel");
  storeMsr("Head_Wrapper_Bk", "kept");
  storeMsr("Head_Wrapper_Chbx", "1");
  remove(kwn::MSR, "Head_Wrapper");
  remove(kwn::MSR, "Tail_Wrapper_Chbx");
  remove(kwn::MSR, "Tail_Wrapper_Bk");
  storeMsr("Tail_Wrapper", "act");
  start();
  EXPECT_EQ(gtk_combo_box_get_active(port()), 0);
  EXPECT_FALSE(HLQ_IsChecked(box("Track1_Enabled")));
  EXPECT_TRUE(HLQ_IsChecked(box("Track2_Enabled")));
  EXPECT_EQ(textOf(ui_->entries.gtkentry_endsentinel), "");
  EXPECT_EQ(textOf(ui_->entries.gtkentry_headwrapper), "kept");
  EXPECT_TRUE(HLQ_IsChecked(ui_->checks.gtkcheckbtn_headwrapper));
  EXPECT_EQ(textOf(ui_->entries.gtkentry_tailwrapper), "act");
  EXPECT_FALSE(HLQ_IsChecked(ui_->checks.gtkcheckbtn_tailwrapper));
  EXPECT_FALSE(editable(ui_->entries.gtkentry_tailwrapper));
}

TEST_F(MsrPage, DefaultSetsTheDefaultsAndApplyStoresExactlyThem) {
  store(kwn::PORTS, "MSR_USB", "/dev/ttyS21");
  for (const auto& key : kBooleanKeys) storeMsr(key, "1");
  for (const char* key : {"Track1_Enabled", "Track2_Enabled", "Track3_Enabled"})
    storeMsr(key, "0");
  for (const auto& key : kSentinelKeys) storeMsr(key, "x");
  storeMsr("Head_Wrapper", "head");
  storeMsr("Head_Wrapper_Chbx", "1");
  storeMsr("Tail_Wrapper_Bk", "tail");
  auto before = allMsr();
  start();
  ASSERT_TRUE(HLQ_IsChecked(box("CR_Enabled")));
  ASSERT_TRUE(editable(ui_->entries.gtkentry_headwrapper));

  gtk_button_clicked(ui_->button("MSR", "_Default"));
  EXPECT_EQ(gtk_combo_box_get_active(port()), 2);
  for (auto* b : perTrackCr()) EXPECT_TRUE(sensitive(b));
  for (const auto& w : kWrappers) {
    EXPECT_FALSE(editable(ui_->entries.*w.entry)) << w.name;
    EXPECT_EQ(textOf(ui_->entries.*w.entry), "") << w.name;
  }
  EXPECT_EQ(allMsr(), before);  // Default writes nothing

  EXPECT_TRUE(apply().notStored.empty());
  const std::map<std::string, std::optional<std::string>> defaults = {
      {"CR_Enabled", "0"},        {"Track1_Enabled", "1"},        {"Track2_Enabled", "1"},
      {"Track3_Enabled", "1"},    {"Strip_Sentinels", "0"},       {"Hide_Error_Tracks", "0"},
      {"Track1_CR_Enabled", "0"}, {"Track2_CR_Enabled", "0"},     {"Track3_CR_Enabled", "0"},
      {"Track1_Start_Sentinel", "%"}, {"Track2_Start_Sentinel", ";"},
      {"Track3_Start_Sentinel", "+"}, {"End_Sentinel", "?"},
      {"Head_Wrapper", ""},       {"Head_Wrapper_Bk", ""},        {"Head_Wrapper_Chbx", "0"},
      {"Tail_Wrapper", ""},       {"Tail_Wrapper_Bk", ""},        {"Tail_Wrapper_Chbx", "0"}};
  // Default's values; any other value of the section is stored as it was.
  auto expected = before;
  for (const auto& [key, text] : defaults) expected[key] = text;
  EXPECT_EQ(allMsr(), expected);
  EXPECT_EQ(stored(kwn::PORTS, "MSR_USB"), "/dev/ttyS21");
}

TEST_F(MsrPage, ClearChoosesNoPortAndLeavesEverythingElse) {
  storeMsr("CR_Enabled", "1");
  storeMsr("Track1_CR_Enabled", "1");
  storeMsr("Track3_Enabled", "0");
  storeMsr("Track1_Start_Sentinel", "a");
  storeMsr("Tail_Wrapper", "tw");
  storeMsr("Tail_Wrapper_Chbx", "1");
  auto before = allMsr();
  start();
  gtk_button_clicked(ui_->button("MSR", "_Clear"));
  EXPECT_EQ(gtk_combo_box_get_active(port()), 0);
  EXPECT_EQ(stored(kwn::PORTS, "MSR_USB"), "/dev/ttyS20");  // Clear writes nothing
  for (auto* b : perTrackCr()) EXPECT_FALSE(sensitive(b));
  EXPECT_TRUE(editable(ui_->entries.gtkentry_tailwrapper));

  EXPECT_TRUE(apply().notStored.empty());
  // " " is stored; the later saves keep an element of only white space as empty.
  EXPECT_EQ(stored(kwn::PORTS, "MSR_USB"), "");
  EXPECT_EQ(allMsr(), before);
}

// Without the section only the port can be stored; the blank that stands for
// "None" is seen in the file as written.
TEST_F(MsrPage, WithoutItsSectionThePageShowsNothingStoredAndApplyStoresOnlyThePort) {
  remove(kwn::MSR, nullptr);
  start();
  for (const auto& key : kBooleanKeys) EXPECT_FALSE(HLQ_IsChecked(box(key))) << key;
  for (auto* entry : sentinels()) EXPECT_EQ(textOf(entry), "");
  for (const auto& w : kWrappers) EXPECT_EQ(textOf(ui_->entries.*w.entry), "") << w.name;
  for (auto* b : perTrackCr()) EXPECT_TRUE(sensitive(b));

  gtk_button_clicked(ui_->button("MSR", "_Clear"));
  HLQ_SetChecked(box("Track1_Enabled"), true);
  ApplyReport report = apply();
  EXPECT_EQ(report.stored, 1);
  ASSERT_EQ(report.notStored.size(), 1u);  // the box changed, its element absent
  EXPECT_EQ(report.notStored[0].name, "Tracks \u203a Track 1");
  EXPECT_NE(HLQTest_ReadFile(path_).find("<MSR_USB> </MSR_USB>"), std::string::npos);
}

TEST_F(MsrPage, AMissingHideErrorTracksIsReportedAndTheOtherValuesStored) {
  remove(kwn::MSR, "Hide_Error_Tracks");
  start();
  // Every boolean turned over, so that each stored value shows the write.
  for (const auto& key : kBooleanKeys) HLQ_SetChecked(box(key), !HLQ_IsChecked(box(key)));
  gtk_combo_box_set_active(port(), 2);

  SeenDialog dialog = pressApply();
  EXPECT_EQ(dialog.title, "MSR Configuration");
  EXPECT_NE(dialog.text, "MSR Settings Applied");
  EXPECT_NE(dialog.text.find("Hide tracks with errors"), std::string::npos) << dialog.text;
  EXPECT_EQ(dialog.text.find("Track 1"), std::string::npos) << dialog.text;
  EXPECT_TRUE(g_hlqConfigChanged);

  EXPECT_EQ(stored(kwn::PORTS, "MSR_USB"), "/dev/ttyS21");
  EXPECT_EQ(msr("CR_Enabled"), "1");
  EXPECT_EQ(msr("Track1_Enabled"), "0");
  EXPECT_EQ(msr("Strip_Sentinels"), "1");
  EXPECT_EQ(msr("Track3_CR_Enabled"), "1");
  EXPECT_EQ(msr("Hide_Error_Tracks"), std::nullopt);

  ApplyReport report = apply();  // the box still differs from what the page read
  EXPECT_EQ(report.stored, 0);
  ASSERT_EQ(report.notStored.size(), 1u);
  EXPECT_EQ(report.notStored[0].name, "Tracks \u203a Hide tracks with errors");
}

TEST_F(MsrPage, APortThisSelectorLacksIsShownAsNoItemAndLeftAsStored) {
  for (const char* path : {"/dev/ttyS12", "/dev/ttyS17"}) {
    SCOPED_TRACE(path);
    store(kwn::PORTS, "MSR_USB", path);
    storeMsr("Track1_Enabled", "0");
    start();
    EXPECT_EQ(gtk_combo_box_get_active(port()), -1);
    HLQ_SetChecked(box("Track1_Enabled"), true);

    SeenDialog dialog = pressApply();
    EXPECT_EQ(dialog.text, "MSR Settings Applied");
    EXPECT_TRUE(g_hlqConfigChanged);
    EXPECT_EQ(stored(kwn::PORTS, "MSR_USB"), path);
    EXPECT_EQ(msr("Track1_Enabled"), "1");
    EXPECT_TRUE(apply().unchanged);
  }
}

// Stored texts longer than an entry holds are shown cut by the entry (one
// character per sentinel, eight per wrapper in the UI file), or whole where
// it takes more, made valid UTF-8; a flag is judged on its whole text. An
// untouched Apply leaves them as stored; one typed is checked by the model.
class MsrPageOverlong : public MsrPage, public ::testing::WithParamInterface<bool> {};

TEST_P(MsrPageOverlong, StoredTextsAreCutToTheirLimitInCharacters) {
  storeMsr("Track1_Start_Sentinel", "%%%");
  storeMsr("Track2_Start_Sentinel", "\xc3\xa9;");  // an e with acute accent, then ";"
  storeMsr("Track3_Start_Sentinel", "\xff+");      // not UTF-8
  storeMsr("Head_Wrapper", "abcdefghijk");
  storeMsr("Head_Wrapper_Chbx", "1");
  const std::string umlaut = "\xc3\xa4";  // two bytes, one character
  std::string nineUmlauts, eightUmlauts;
  for (int i = 0; i < 9; ++i) nineUmlauts += umlaut;
  eightUmlauts = nineUmlauts.substr(0, 8 * umlaut.size());
  storeMsr("Tail_Wrapper_Bk", nineUmlauts.c_str());
  storeMsr("Tail_Wrapper_Chbx", "1x");
  const std::string file = HLQTest_ReadFile(path_);
  const bool whole = GetParam();
  start(whole);
  EXPECT_EQ(textOf(ui_->entries.gtkentry_startsentinelt1), whole ? "%%%" : "%");
  EXPECT_EQ(textOf(ui_->entries.gtkentry_startsentinelt2), whole ? "\xc3\xa9;" : "\xc3\xa9");
  EXPECT_EQ(textOf(ui_->entries.gtkentry_startsentinelt3).substr(0, 3), "\xef\xbf\xbd");
  EXPECT_EQ(textOf(ui_->entries.gtkentry_headwrapper), whole ? "abcdefghijk" : "abcdefgh");
  EXPECT_FALSE(HLQ_IsChecked(ui_->checks.gtkcheckbtn_tailwrapper));
  EXPECT_EQ(textOf(ui_->entries.gtkentry_tailwrapper), whole ? nineUmlauts : eightUmlauts);

  EXPECT_TRUE(apply().unchanged);
  EXPECT_EQ(HLQTest_ReadFile(path_), file);

  gtk_entry_set_text(ui_->entries.gtkentry_headwrapper, "a\tb");
  ApplyReport report = apply();
  EXPECT_TRUE(report.refused);
  EXPECT_EQ(HLQTest_ReadFile(path_), file);
}

INSTANTIATE_TEST_SUITE_P(EntryMaxLength, MsrPageOverlong, ::testing::Values(false, true),
                         [](const auto& info) {
                           return info.param ? "Lifted" : "FromTheUiFile";
                         });

TEST_F(MsrPage, DemoPrintsTheSharedLine) {
  start();
  testing::internal::CaptureStdout();
  gtk_button_clicked(ui_->button("MSR", "_Demo"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Still Not Implemented yet\n");
  EXPECT_EQ(stored(kwn::PORTS, "MSR_USB"), "/dev/ttyS20");
}

}  // namespace

// The window and its messages in German, from the catalog this build
// compiled, and the exact English originals in the C locale.
#include "base/translations.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "pages/logging_page.h"
#include "tests/support/dialog_catcher.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_fixture.h"

namespace {

// Sets the locale as a user's session would and runs the tool's set-up.
void startIn(const char* locale) {
  setenv("LC_ALL", locale, 1);
  setenv("LANGUAGE", "de", 1);  // which gettext ignores in the C locale
  HLQSetUpTranslations();
}

// What the logging page shows in one language.
struct Expected {
  const char* locale;
  const char* tab;
  const char* applyLabel;
  const char* appliedTitle;
  const char* appliedText;
  std::string notStoredStart;  // heading, file and the reason
  const char* notWellFormed;   // the reason for a file that does not parse
};

}  // namespace

TEST(Translations, GermanWindowAndMessagesThenExactEnglishInTheCLocale) {
  TempDir dir;
  // A German locale of the test's own; the machine's locales stay as they are.
  std::string build = "localedef -i de_DE -f UTF-8 " + dir.file("de_DE.UTF-8") + " 2>&1";
  ASSERT_EQ(std::system(build.c_str()), 0) << "localedef could not build de_DE.UTF-8";
  setenv("LOCPATH", dir.path().c_str(), 1);
  const std::string absent = dir.file("absent.xml");

  const Expected languages[] = {
      {"de_DE.UTF-8", "Protokollierung", "Ü_bernehmen", "Protokoll-Konfiguration",
       "Die Einstellungen der Protokollierung wurden übernommen.",
       "Nichts wurde gespeichert: " + absent + " konnte nicht gelesen werden: die Datei fehlt",
       "die Datei ist kein wohlgeformtes XML: ein Element ist nicht geschlossen (Zeile 3)"},
      {"C", "Logging", "_Apply", "Logging Configuration", "Logging Settings Applied",
       "Nothing was stored: " + absent + " could not be read: the file is missing",
       "the file is not well-formed XML: an element is not closed (line 3)"},
  };
  for (const Expected& language : languages) {
    SCOPED_TRACE(language.locale);
    startIn(language.locale);
    ASSERT_STREQ(std::setlocale(LC_MESSAGES, nullptr), language.locale);
    LoadedUi ui;
    ui.connectSignals();
    // Found by the translated tab label and button label.
    GtkButton* apply = ui.button(language.tab, language.applyLabel);
    ASSERT_NE(apply, nullptr);
    HLQTest_CopySample("KWNLogging.xml", dir.file("KWNLogging.xml"));
    HLQTest_SetLoggingConfigPath(dir.file("KWNLogging.xml"));
    LoggingTab_ReadValuesforInit(&ui.combos, &ui.checks);
    gtk_combo_box_set_active(ui.combos.gtkchboxt_loglevel, 3);
    SeenDialog applied = HLQTest_PressForOneMessage(apply);
    EXPECT_EQ(applied.title, language.appliedTitle);
    EXPECT_EQ(applied.text, language.appliedText);
    // A message put together from a heading, a path, value names and reasons.
    HLQTest_SetLoggingConfigPath(absent);
    LoggingTab_ReadValuesforInit(&ui.combos, &ui.checks);
    std::string notStored = HLQTest_PressForOneMessage(apply).text;
    EXPECT_EQ(notStored.rfind(language.notStoredStart, 0), 0u) << notStored;
    HLQTest_WriteFile(dir.file("broken.xml"), "<VCP>\n<Logging_Configuration>\n<Log_Level>");
    HLQTest_SetLoggingConfigPath(dir.file("broken.xml"));
    LoggingTab_ReadValuesforInit(&ui.combos, &ui.checks);
    std::string rejected = HLQTest_PressForOneMessage(apply).text;
    EXPECT_NE(rejected.find(language.notWellFormed), std::string::npos) << rejected;
  }
}

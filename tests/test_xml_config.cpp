#include "config/xml_config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/helper_calls.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

namespace {

const char kDevice[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<VCP>\n"
    "    <Ports_Configuration>\n"
    "        <PRINTER_USB PID=\"\" VID=\"04b8\">/dev/ttyS10</PRINTER_USB>\n"
    "        <LD_USB/>\n"
    "        <CD_USB></CD_USB>\n"
    "        <MSR_USB> </MSR_USB>\n"
    "        <Commented><!-- kept -->text</Commented>\n"
    "        <ChildFirst><Inner/>text</ChildFirst>\n"
    "        <Twice>first</Twice>\n"
    "        <Twice>second</Twice>\n"
    "    </Ports_Configuration>\n"
    "    <Logging_Configuration>\n"
    "        <Log_Level>2</Log_Level>\n"
    "    </Logging_Configuration>\n"
    "    <Logging_Configuration>\n"
    "        <Log_Level>5</Log_Level>\n"
    "    </Logging_Configuration>\n"
    "</VCP>\n";

const char* const kPorts = "Ports_Configuration";

ino_t inodeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Parses the saved file independently of the layer under test.
struct Parsed {
  tinyxml2::XMLDocument doc;
  explicit Parsed(const std::string& path) {
    EXPECT_EQ(doc.LoadFile(path.c_str()), tinyxml2::XML_SUCCESS) << path;
  }
  tinyxml2::XMLElement* element(const char* section, const char* key, int sectionIndex = 0) {
    auto* s = doc.FirstChildElement("VCP")->FirstChildElement(section);
    while (sectionIndex-- > 0) s = s->NextSiblingElement(section);
    return s->FirstChildElement(key);
  }
};

class XmlConfig : public ::testing::Test {
 protected:
  void SetUp() override { HLQTest_WriteFile(file, kDevice); }
  std::optional<std::string> read(const char* section, const char* key) {
    return config.ReadXMLNodeValue(file.c_str(), section, key);
  }
  WriteResult write(const char* section, const char* key, const char* text) {
    return config.WriteXMLNodeValue(file.c_str(), section, key, text);
  }
  WriteResult writeAttribute(const char* key, const char* attribute, const char* value) {
    return config.WriteXMLNodeProperty(file.c_str(), kPorts, key, attribute, value);
  }

  TempDir dir;
  std::string file = dir.file("KWNConfig.xml");
  CXMLModuleConfig config;
};

TEST_F(XmlConfig, ReadsTellAbsentFromEmptyText) {
  EXPECT_EQ(read(kPorts, "PRINTER_USB"), "/dev/ttyS10");
  EXPECT_EQ(read(kPorts, "LD_USB"), "");      // empty-element tag
  EXPECT_EQ(read(kPorts, "CD_USB"), "");      // start and end tag
  EXPECT_EQ(read(kPorts, "MSR_USB"), "");     // one blank is not kept
  EXPECT_EQ(read(kPorts, "Commented"), "text");
  EXPECT_EQ(read(kPorts, "ChildFirst"), "");  // first child is not text
  EXPECT_EQ(read(kPorts, "Missing"), std::nullopt);
  EXPECT_EQ(read("Missing_Configuration", "PRINTER_USB"), std::nullopt);
  EXPECT_EQ(read(kPorts, nullptr), std::nullopt);
}

TEST_F(XmlConfig, AttributeReadsTellAbsentFromEmptyValue) {
  auto attribute = [&](const char* key, const char* name) {
    return config.ReadXMLNodeProperty(file.c_str(), kPorts, key, name);
  };
  EXPECT_EQ(attribute("PRINTER_USB", "VID"), "04b8");
  EXPECT_EQ(attribute("PRINTER_USB", "PID"), "");
  EXPECT_EQ(attribute("PRINTER_USB", "Serial_Number"), std::nullopt);
  EXPECT_EQ(attribute("PRINTER_USB", "vid"), std::nullopt);
  EXPECT_EQ(attribute("Missing", "VID"), std::nullopt);
}

TEST_F(XmlConfig, FilesThatDoNotLoadReadAbsent) {
  std::string deep = "<VCP><S><K>v</K></S><D>";
  for (int i = 0; i < 200; ++i) deep += "<a>";
  for (int i = 0; i < 200; ++i) deep += "</a>";
  deep += "</D></VCP>";
  const std::vector<std::string> contents = {
      "", "  \n", "<VCP><S><K>v</K></S>", "<VCP><S><K>v</S></K></VCP>", deep,
      "<vcp><S><K>v</K></S></vcp>"};
  for (const auto& content : contents) {
    HLQTest_WriteFile(file, content);
    EXPECT_EQ(config.ReadXMLNodeValue(file.c_str(), "S", "K"), std::nullopt) << content;
  }
  HLQTest_WriteFile(file, "<VCP><S><K>v</K></S></VCP>");
  EXPECT_EQ(config.ReadXMLNodeValue(file.c_str(), "S", "K"), "v");  // the same, well-formed
  EXPECT_EQ(config.ReadXMLNodeValue(dir.file("none.xml").c_str(), "S", "K"), std::nullopt);
  EXPECT_EQ(config.ReadXMLNodeValue(dir.path().c_str(), "S", "K"), std::nullopt);
}

TEST_F(XmlConfig, BlankAndEmptyWritesReadBackAsEmptyText) {
  EXPECT_TRUE(write(kPorts, "PRINTER_USB", " ").stored());
  EXPECT_EQ(read(kPorts, "PRINTER_USB"), "");
  EXPECT_TRUE(write(kPorts, "MSR_USB", "").stored());
  EXPECT_EQ(read(kPorts, "MSR_USB"), "");
  Parsed saved(file);
  EXPECT_EQ(saved.element(kPorts, "MSR_USB")->GetText(), nullptr);
  EXPECT_STREQ(saved.element(kPorts, "PRINTER_USB")->Attribute("VID"), "04b8");
}

TEST_F(XmlConfig, MissingFileIsNeverCreated) {
  std::string missing = dir.file("KWNLogging.xml");
  WriteResult text = config.WriteXMLNodeValue(missing.c_str(), "S", "K", "1");
  WriteResult attribute = config.WriteXMLNodeProperty(missing.c_str(), "S", "K", "A", "1");
  EXPECT_EQ(text.status, WriteStatus::FileNotLoaded);
  EXPECT_EQ(text.reason, "the file is missing");
  EXPECT_EQ(attribute.status, WriteStatus::FileNotLoaded);
  EXPECT_FALSE(HLQTest_FileExists(missing));
  WriteResult inMissingFolder =
      config.WriteXMLNodeValue(dir.file("gone/KWNConfig.xml").c_str(), "S", "K", "1");
  EXPECT_EQ(inMissingFolder.status, WriteStatus::FileNotLoaded);
  EXPECT_FALSE(HLQTest_FileExists(dir.file("gone")));
}

TEST_F(XmlConfig, MissingElementLeavesFileUntouched) {
  ino_t before = inodeOf(file);
  struct Case {
    const char* section;
    const char* key;
    const char* reason;
  };
  const Case cases[] = {
      {kPorts, "LD_usb", "the element VCP/Ports_Configuration/LD_usb is missing"},
      {"Printer_Configuration", "Code_Page",
       "the element VCP/Printer_Configuration is missing"},
  };
  for (const auto& c : cases) {
    WriteResult text = write(c.section, c.key, "/dev/ttyS19");
    EXPECT_EQ(text.status, WriteStatus::ElementMissing);
    EXPECT_EQ(text.reason, c.reason);
    EXPECT_EQ(writeAttribute(c.key, "PID", "0202").status, WriteStatus::ElementMissing);
  }
  EXPECT_EQ(HLQTest_ReadFile(file), kDevice);
  EXPECT_EQ(inodeOf(file), before);  // not even saved again

  std::string lowerRoot = "<vcp>\n\t<S><K>1</K></S>\n</vcp>\n";
  HLQTest_WriteFile(file, lowerRoot);
  WriteResult rootMissing = config.WriteXMLNodeValue(file.c_str(), "S", "K", "0");
  EXPECT_EQ(rootMissing.reason, "the element VCP is missing");
  EXPECT_EQ(HLQTest_ReadFile(file), lowerRoot);
}

TEST_F(XmlConfig, FileThatDoesNotParseIsNotWritten) {
  const std::string broken = "<VCP><S><K>1</K></S>\n";
  HLQTest_WriteFile(file, broken);
  WriteResult result = config.WriteXMLNodeValue(file.c_str(), "S", "K", "0");
  EXPECT_EQ(result.status, WriteStatus::FileNotLoaded);
  EXPECT_EQ(result.reason.rfind("the file is not well-formed XML: ", 0), 0u) << result.reason;
  EXPECT_EQ(HLQTest_ReadFile(file), broken);

  HLQTest_WriteFile(file, "");
  EXPECT_EQ(config.WriteXMLNodeValue(file.c_str(), "S", "K", "0").reason, "the file is empty");
  EXPECT_EQ(HLQTest_ReadFile(file), "");
}

TEST_F(XmlConfig, AttributeIsAppendedThenChangedInPlace) {
  auto names = [&] {
    Parsed saved(file);
    std::vector<std::string> found;
    for (auto* a = saved.element(kPorts, "PRINTER_USB")->FirstAttribute(); a; a = a->Next())
      found.push_back(std::string(a->Name()) + "=" + a->Value());
    return found;
  };
  EXPECT_TRUE(writeAttribute("PRINTER_USB", "Serial_Number", "A1").stored());
  EXPECT_EQ(names(), (std::vector<std::string>{"PID=", "VID=04b8", "Serial_Number=A1"}));
  EXPECT_TRUE(writeAttribute("PRINTER_USB", "PID", "0202").stored());
  EXPECT_TRUE(writeAttribute("PRINTER_USB", "Serial_Number", "").stored());
  EXPECT_EQ(names(), (std::vector<std::string>{"PID=0202", "VID=04b8", "Serial_Number="}));
  EXPECT_EQ(read(kPorts, "PRINTER_USB"), "/dev/ttyS10");
}

TEST_F(XmlConfig, OnlyTheFirstOfNamesakesIsReadAndWritten) {
  EXPECT_EQ(read("Logging_Configuration", "Log_Level"), "2");
  EXPECT_EQ(read(kPorts, "Twice"), "first");
  EXPECT_TRUE(write("Logging_Configuration", "Log_Level", "4").stored());
  EXPECT_TRUE(write(kPorts, "Twice", "changed").stored());
  Parsed saved(file);
  EXPECT_STREQ(saved.element("Logging_Configuration", "Log_Level", 0)->GetText(), "4");
  EXPECT_STREQ(saved.element("Logging_Configuration", "Log_Level", 1)->GetText(), "5");
  EXPECT_STREQ(saved.element(kPorts, "Twice")->GetText(), "changed");
  EXPECT_STREQ(saved.element(kPorts, "Twice")->NextSiblingElement("Twice")->GetText(), "second");
}

TEST_F(XmlConfig, MarkupCharactersAreEscapedAndReadBackUnchanged) {
  const char* tricky = "a&b<c>d\"e'f &amp;";
  EXPECT_TRUE(write(kPorts, "LD_USB", tricky).stored());
  EXPECT_TRUE(writeAttribute("LD_USB", "Serial_Number", tricky).stored());
  EXPECT_EQ(read(kPorts, "LD_USB"), tricky);
  EXPECT_EQ(config.ReadXMLNodeProperty(file.c_str(), kPorts, "LD_USB", "Serial_Number"), tricky);
  std::string saved = HLQTest_ReadFile(file);
  EXPECT_NE(saved.find(">a&amp;b&lt;c&gt;d"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"a&amp;b&lt;c&gt;d&quot;e"), std::string::npos) << saved;
}

TEST_F(XmlConfig, FirstWriteReformatsKeepingDeclarationCommentsAndMark) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::string expected =
      "<?xml version=\"1.0\"?>\n"
      "<!-- device settings -->\n"
      "<VCP>\n"
      "    <Ports_Configuration>\n"
      "        <!-- ports -->\n"
      "        <LD_USB PID=\"1\">/dev/ttyS19</LD_USB>\n"
      "        <MSR_USB/>\n"
      "    </Ports_Configuration>\n"
      "</VCP>\n";
  const std::string tabs =
      "<?xml version=\"1.0\"?>\n<!-- device settings -->\n<VCP>\n\t<Ports_Configuration>\n"
      "\t\t<!-- ports -->\n\t\t<LD_USB PID=\"1\">/dev/ttyS18</LD_USB>\n"
      "\t\t<MSR_USB></MSR_USB>\n\t</Ports_Configuration>\n</VCP>\n";
  const std::string oneLine =
      "<?xml version=\"1.0\"?><!-- device settings --><VCP><Ports_Configuration>"
      "<!-- ports --><LD_USB PID=\"1\">/dev/ttyS18</LD_USB><MSR_USB/>"
      "</Ports_Configuration></VCP>";
  for (const std::string& layout : {tabs, oneLine, bom + tabs}) {
    HLQTest_WriteFile(file, layout);
    ASSERT_TRUE(write(kPorts, "LD_USB", "/dev/ttyS19").stored());
    bool hadMark = layout.rfind(bom, 0) == 0;
    EXPECT_EQ(HLQTest_ReadFile(file), (hadMark ? bom : "") + expected) << layout;
  }
}

TEST_F(XmlConfig, ValueWithCharacterXmlForbidsIsRefused) {
  const char* refused[] = {"\x01", "ab\x1b[0m", "end\x7f\x1f", "\xff\xfe", "\xef\xbf\xbe"};
  for (const char* value : refused) {
    EXPECT_FALSE(HLQ_IsXmlSafeText(value));
    EXPECT_EQ(write(kPorts, "LD_USB", value).status, WriteStatus::TextNotAllowed);
    EXPECT_EQ(writeAttribute("LD_USB", "PID", value).status, WriteStatus::TextNotAllowed);
  }
  EXPECT_EQ(write(kPorts, "LD_USB", "\x02").reason,
            "the value holds a character that XML does not allow");
  EXPECT_EQ(HLQTest_ReadFile(file), kDevice);

  EXPECT_FALSE(HLQ_IsXmlSafeText(nullptr));
  const char* allowed[] = {"tab\there", "two\nlines", "del\x7f", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"};
  for (const char* value : allowed) {
    EXPECT_TRUE(HLQ_IsXmlSafeText(value)) << value;
    EXPECT_TRUE(write(kPorts, "LD_USB", value).stored());
    EXPECT_EQ(read(kPorts, "LD_USB"), value);
  }
}

TEST_F(XmlConfig, TextIsWrittenWhereReadsFindIt) {
  HLQTest_WriteFile(file, "<VCP><S><C><![CDATA[x<y]]></C><M><!-- note -->old</M></S></VCP>");
  auto text = [&](const char* key) { return config.ReadXMLNodeValue(file.c_str(), "S", key); };
  // A CDATA section is rewritten as escaped text, which may hold "]]>".
  EXPECT_TRUE(config.WriteXMLNodeValue(file.c_str(), "S", "C", "a]]>b<").stored());
  EXPECT_EQ(text("C"), "a]]>b<");
  // Text after a comment is the text that is read, so it is the one written.
  EXPECT_TRUE(config.WriteXMLNodeValue(file.c_str(), "S", "M", "").stored());
  EXPECT_EQ(text("M"), "");
  EXPECT_TRUE(config.WriteXMLNodeValue(file.c_str(), "S", "M", "new").stored());
  EXPECT_EQ(text("M"), "new");
  Parsed saved(file);
  auto* m = saved.doc.FirstChildElement("VCP")->FirstChildElement("S")->FirstChildElement("M");
  std::vector<std::string> comments;
  for (auto* node = m->FirstChild(); node; node = node->NextSibling())
    if (node->ToComment()) comments.push_back(node->Value());
  EXPECT_EQ(comments, std::vector<std::string>{" note "});
}

TEST_F(XmlConfig, WritesThatWouldNotReadBackAreRefusedAndChangeNothing) {
  for (const char* name : {"<Tr", "1st", "a b", "x=\"y"}) {
    WriteResult result = writeAttribute("LD_USB", name, "1");
    EXPECT_EQ(result.status, WriteStatus::TextNotAllowed) << name;
    EXPECT_EQ(result.reason, "\"" + std::string(name) + "\" is not a valid attribute name");
  }
  for (const char* value : {"a\r\nb", "\r"}) {
    EXPECT_FALSE(HLQ_IsXmlSafeText(value));
    WriteResult text = write(kPorts, "LD_USB", value);
    EXPECT_EQ(text.status, WriteStatus::TextNotAllowed);
    EXPECT_EQ(text.reason, "the value holds a carriage return, which the file cannot keep");
    EXPECT_EQ(writeAttribute("LD_USB", "PID", value).status, WriteStatus::TextNotAllowed);
  }
  EXPECT_EQ(HLQTest_ReadFile(file), kDevice);

  // The library reads these leniently, but saved again the first would no
  // longer load (text at the end) and the second would change another value
  // (a carriage return from a character reference comes back as a line feed).
  const std::string strayEndTag = "<VCP><S><K>1</K></S></VCP>x</Y>more";
  const std::string otherValue = "<VCP><S><K>1</K><L>a&#13;b</L></S></VCP>";
  for (const std::string& content : {strayEndTag, otherValue}) {
    HLQTest_WriteFile(file, content);
    ASSERT_EQ(config.ReadXMLNodeValue(file.c_str(), "S", "K"), "1");
    WriteResult result = config.WriteXMLNodeValue(file.c_str(), "S", "K", "2");
    EXPECT_EQ(result.status, WriteStatus::SaveFailed) << content;
    EXPECT_EQ(result.reason,
              "the file holds content that would not read back as saved; it was left unchanged");
    EXPECT_EQ(config.WriteXMLNodeProperty(file.c_str(), "S", "K", "A", "2").status,
              WriteStatus::SaveFailed);
    EXPECT_EQ(HLQTest_ReadFile(file), content);
  }
  EXPECT_EQ(HLQTest_FolderEntries(dir.path()), std::vector<std::string>{"KWNConfig.xml"});
}

TEST_F(XmlConfig, FailedSaveIsReportedAndLeavesFileIntact) {
  // A file size limit makes the save's writes fail, even for root.
  WriteResult result;
  ASSERT_TRUE(
      HLQTest_WithFileSizeLimit(64, [&] { result = write(kPorts, "LD_USB", "/dev/ttyS19"); }));

  EXPECT_EQ(result.status, WriteStatus::SaveFailed);
  EXPECT_EQ(result.reason, "the file could not be saved: File too large");
  EXPECT_EQ(HLQTest_ReadFile(file), kDevice);
  EXPECT_EQ(HLQTest_FolderEntries(dir.path()), std::vector<std::string>{"KWNConfig.xml"});
}

// The batch store of the command line and the helper: one save for all
// changed values, values held already untouched, a missing element reported
// while the others are stored, and no save at all when nothing changes.
TEST_F(XmlConfig, OneSaveStoresTheChangesAndTouchesNothingWhenNothingChanges) {
  auto store = [this](std::vector<HLQValueToStore> values) {
    std::vector<std::string> statuses;
    for (const WriteResult& r : HLQ_StoreValuesInOneSave(file.c_str(), values))
      statuses.push_back(r.changed() ? "stored" : r.stored() ? "held" : "not: " + r.reason);
    return statuses;
  };
  EXPECT_EQ(store({{kPorts, "PRINTER_USB", nullptr, "/dev/ttyS11"},
                   {kPorts, "PRINTER_USB", "VID", "04b8"},
                   {kPorts, "MSR_USB", nullptr, ""},
                   {kPorts, "Missing", nullptr, "x"},
                   {kPorts, "LD_USB", "PID", "0d02"}}),
            (std::vector<std::string>{"stored", "held", "held",
                                      "not: the element VCP/Ports_Configuration/Missing is missing",
                                      "stored"}));
  Parsed saved(file);
  EXPECT_STREQ(saved.element(kPorts, "PRINTER_USB")->GetText(), "/dev/ttyS11");
  EXPECT_STREQ(saved.element(kPorts, "LD_USB")->Attribute("PID"), "0d02");

  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  const std::string content = HLQTest_ReadFile(file);
  EXPECT_EQ(store({{kPorts, "PRINTER_USB", nullptr, "/dev/ttyS11"},
                   {kPorts, "LD_USB", "PID", "0d02"}}),
            (std::vector<std::string>{"held", "held"}));
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(HLQTest_ReadFile(file), content);

  const HLQFileValues read = HLQ_ReadValuesOnce(
      file.c_str(), {{kPorts, "PRINTER_USB", nullptr}, {kPorts, "LD_USB", "VID"}, {kPorts, "Missing", nullptr}});
  ASSERT_TRUE(read.loaded);
  EXPECT_EQ(read.values[0].text, "/dev/ttyS11");
  EXPECT_EQ(read.values[1].text, std::nullopt);
  EXPECT_EQ(read.values[1].reason, "the attribute VID of VCP/Ports_Configuration/LD_USB is missing");
  EXPECT_EQ(read.values[2].reason, "the element VCP/Ports_Configuration/Missing is missing");
}

TEST_F(XmlConfig, FlatFunctionsPassThroughAndTolerateNullHandle) {
  HXMLWRAPPER handle = xmlwrapper_create();
  ASSERT_NE(handle, nullptr);
  std::string logging = dir.file("KWNLogging.xml");
  HLQTest_WriteFile(logging, "<VCP><Logging_Configuration><Module_CD>false</Module_CD>"
                             "</Logging_Configuration></VCP>");
  EXPECT_TRUE(xmlwrapper_WriteXMLNodeValue(handle, logging.c_str(), "Logging_Configuration",
                                           "Module_CD", "true").stored());
  EXPECT_TRUE(xmlwrapper_WriteXMLNodeProperty(handle, file.c_str(), kPorts, "CD_USB", "VID",
                                              "0a5f").stored());
  EXPECT_EQ(xmlwrapper_ReadXMLNodeValue(handle, logging.c_str(), "Logging_Configuration",
                                        "Module_CD"), "true");
  auto vid = xmlwrapper_ReadXMLNodeProperty(handle, file.c_str(), kPorts, "CD_USB", "VID");
  xmlwrapper_destroy(handle);
  EXPECT_EQ(vid, "0a5f");  // outlives the handle

  EXPECT_EQ(xmlwrapper_ReadXMLNodeValue(nullptr, file.c_str(), kPorts, "PRINTER_USB"),
            std::nullopt);
  EXPECT_EQ(xmlwrapper_ReadXMLNodeProperty(nullptr, file.c_str(), kPorts, "PRINTER_USB", "VID"),
            std::nullopt);
  EXPECT_EQ(xmlwrapper_WriteXMLNodeValue(nullptr, file.c_str(), kPorts, "LD_USB", "x").status,
            WriteStatus::NoHandle);
  EXPECT_EQ(
      xmlwrapper_WriteXMLNodeProperty(nullptr, file.c_str(), kPorts, "LD_USB", "PID", "x").status,
      WriteStatus::NoHandle);
  xmlwrapper_destroy(nullptr);
  EXPECT_EQ(read(kPorts, "LD_USB"), "");
}

}  // namespace

// A technician's Apply where the helper cannot be reached: each value says
// why it went nowhere, and one the file could not keep is refused for that,
// not sent along. Run in a child process given nobody's IDs and a system
// bus address that leads nowhere.
TEST(StoreValues, WithoutTheHelperEachValueOfATechnicianSaysWhy) {
  TempDir dir;
  chmod(dir.path().c_str(), 0755);
  const std::string file = dir.file("KWNConfig.xml");
  HLQTest_CopySample("KWNConfig.xml", file);
  HLQTest_SetDeviceConfigPath(file);
  const std::string before = HLQTest_ReadFile(file);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/hlq-test-bus", 1);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    HLQ_UseHelperCalls(HLQ_LinkedHelperCalls);
    std::vector<WriteResult> results = HLQ_StoreValues(
        file.c_str(), {{"Ports_Configuration", "LD_USB", nullptr, "\x01"},
                       {"Ports_Configuration", "LD_USB", "PID", "0d02"}});
    const bool refusedHere = results[0].status == WriteStatus::TextNotAllowed &&
                             results[0].reason.find("XML does not allow") != std::string::npos;
    const bool unreached = results[1].status == WriteStatus::NotAuthorized &&
                           results[1].reason.find("could not be reached") != std::string::npos;
    if (!refusedHere || !unreached)
      std::fprintf(stderr, "%s\n%s\n", results[0].reason.c_str(), results[1].reason.c_str());
    _exit(refusedHere && unreached ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  EXPECT_EQ(HLQTest_ReadFile(file), before);
}

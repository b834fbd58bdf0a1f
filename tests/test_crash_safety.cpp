// Crash safety of the configuration layer: a writer process (crash_writer.cpp)
// saves values into a copy of the device configuration file, one after the
// other, and is killed with SIGKILL at random moments, hundreds of times. After
// every kill the file must parse and hold exactly the values of the writes that
// had completed, give or take the one write in progress; the folder may hold
// at most the temporary file of that one interrupted save.
//
// The temporary file of a killed save stays behind: the configuration layer
// cannot tell it from the file of a save still running in another process, so
// it never removes another save's file. The test checks it and removes it
// before the next round, so that each round sees only its own leftover.
//
// The same is run over a file with a second (hard) name, which every save
// writes in place: the file, of one page, must never be seen torn, and both
// names must stay one file. A kill between the write and the cut of its
// padding leaves trailing line feeds, which shows that the kill landed in a
// save.
//
// HLQ_CRASH_SEED replays the random kill delays of a run (the seed is
// printed); HLQ_CRASH_KILLS changes the number of kills (default 250).
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/crash_sequence.h"
#include "tests/support/temp_dir.h"

namespace {

using Values = std::map<std::string, std::string>;
const char kConfigName[] = "KWNConfig.xml";
const char kSecondName[] = "second-name.xml";
const mode_t kConfigMode = 0640;

uint64_t envNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

// Every element text (of elements without child elements), attribute and
// comment of a document, by path, so that two documents compare by content
// and not by layout.
void flatten(const tinyxml2::XMLNode* node, const std::string& path, Values* out) {
  int comments = 0;
  for (const tinyxml2::XMLNode* child = node->FirstChild(); child; child = child->NextSibling()) {
    if (const tinyxml2::XMLComment* comment = child->ToComment()) {
      (*out)[path + "/<!--" + std::to_string(comments++)] = comment->Value();
      continue;
    }
    const tinyxml2::XMLElement* element = child->ToElement();
    if (!element) continue;
    std::string elementPath = path + "/" + element->Name();
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a; a = a->Next())
      (*out)[elementPath + "@" + a->Name()] = a->Value();
    if (!element->FirstChildElement()) (*out)[elementPath] = element->GetText() ? element->GetText() : "";
    flatten(element, elementPath, out);
  }
}

// The content of the file, or nullopt with the parser's complaint.
std::optional<Values> parse(const std::string& file, std::string* complaint) {
  tinyxml2::XMLDocument doc;
  if (doc.LoadFile(file.c_str()) != tinyxml2::XML_SUCCESS) {
    *complaint = doc.ErrorStr();
    return std::nullopt;
  }
  Values values;
  flatten(&doc, "", &values);
  return values;
}

std::string itemPath(const CrashWriteItem& item) {
  std::string path = std::string("/VCP/") + item.section + "/" + item.key;
  return item.attribute ? path + "@" + item.attribute : path;
}

// The content after the first `done` writes of the sequence.
Values expectedAfter(const Values& start, uint64_t done) {
  Values values = start;
  for (size_t i = 0; i < HLQCrash_ItemCount(); ++i)
    values[itemPath(HLQCrash_Item(i))] = HLQCrash_ValueAfter(i, done);
  return values;
}

std::string differences(const Values& seen, const Values& expected) {
  std::ostringstream out;
  for (const auto& [path, value] : expected) {
    auto it = seen.find(path);
    if (it == seen.end()) out << "  " << path << " missing, expected \"" << value << "\"\n";
    else if (it->second != value)
      out << "  " << path << " is \"" << it->second << "\", expected \"" << value << "\"\n";
  }
  for (const auto& [path, value] : seen)
    if (!expected.count(path)) out << "  " << path << " is unexpected: \"" << value << "\"\n";
  return out.str();
}

// A running writer process and the read end of its output.
struct Writer {
  pid_t pid = -1;
  int output = -1;
  std::string text;  // everything it printed so far
};

Writer startWriter(const std::string& file, uint64_t first) {
  Writer writer;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return writer;
  std::string firstText = std::to_string(first);
  writer.pid = fork();
  if (writer.pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive the test
    dup2(fds[1], STDOUT_FILENO);
    execl(HLQ_CRASH_WRITER, HLQ_CRASH_WRITER, file.c_str(), firstText.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  writer.output = fds[0];
  return writer;
}

// Reads what the writer printed; true at its end of output. Waits at most
// `timeoutMs` for something to arrive.
bool readSome(Writer* writer, int timeoutMs) {
  struct pollfd ready = {writer->output, POLLIN, 0};
  if (poll(&ready, 1, timeoutMs) <= 0) return false;
  char buffer[4096];
  ssize_t n = read(writer->output, buffer, sizeof buffer);
  if (n <= 0) return true;
  writer->text.append(buffer, static_cast<size_t>(n));
  return false;
}

bool waitUntilReady(Writer* writer) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (writer->text.find("ready\n") == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (readSome(writer, 100)) return writer->text.find("ready\n") != std::string::npos;
  }
  return true;
}

// Kills the writer and collects the rest of its output. Returns how it ended.
int killWriter(Writer* writer) {
  kill(writer->pid, SIGKILL);
  int status = 0;
  waitpid(writer->pid, &status, 0);
  while (!readSome(writer, 5000)) {
  }
  close(writer->output);
  return status;
}

// The number of the last write the writer announced, if any.
std::optional<uint64_t> lastAnnounced(const std::string& text) {
  std::optional<uint64_t> last;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
      last = std::strtoull(line.c_str(), nullptr, 10);
  return last;
}

class CrashSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    // Under the build tree, on the disk that holds it: real syncs make each
    // save last long enough for kills to land inside it.
    gchar* made = g_mkdtemp(g_strdup(HLQ_CRASH_SCRATCH_DIR "/crash-XXXXXX"));
    ASSERT_NE(made, nullptr);
    folder_ = made;
    g_free(made);
    file_ = folder_ + "/" + kConfigName;
    HLQTest_CopySample(kConfigName, file_);
    ASSERT_EQ(chmod(file_.c_str(), kConfigMode), 0);
  }
  void TearDown() override {
    for (const auto& name : HLQTest_FolderEntries(folder_)) unlink((folder_ + "/" + name).c_str());
    rmdir(folder_.c_str());
  }

  // Stores every old value, a few times over, and returns the median
  // duration of one write (a single slow sync does not count).
  std::chrono::nanoseconds storeOldValuesTimed() {
    HXMLWRAPPER config = xmlwrapper_create();
    std::vector<std::chrono::nanoseconds> durations;
    for (int pass = 0; pass < 4; ++pass)
      for (size_t i = 0; i < HLQCrash_ItemCount(); ++i) {
        const CrashWriteItem& item = HLQCrash_Item(i);
        auto start = std::chrono::steady_clock::now();
        WriteResult result =
            item.attribute ? xmlwrapper_WriteXMLNodeProperty(config, file_.c_str(), item.section,
                                                             item.key, item.attribute, item.oldValue)
                           : xmlwrapper_WriteXMLNodeValue(config, file_.c_str(), item.section,
                                                          item.key, item.oldValue);
        durations.push_back(std::chrono::steady_clock::now() - start);
        EXPECT_TRUE(result.stored()) << result.reason;
      }
    xmlwrapper_destroy(config);
    std::sort(durations.begin(), durations.end());
    return durations[durations.size() / 2];
  }

  // The one temporary file a killed save may leave, after checking that
  // nothing else is in the folder.
  std::optional<std::string> leftoverOfKilledSave(std::string* problem) {
    static const std::regex tempName(R"(\.KWNConfig\.xml\.[A-Za-z0-9]{6})");
    std::vector<std::string> temps;
    bool configThere = false;
    for (const auto& name : HLQTest_FolderEntries(folder_)) {
      if (name == kConfigName) configThere = true;
      else if (name == kSecondName) continue;
      else if (std::regex_match(name, tempName)) temps.push_back(name);
      else *problem += "unexpected file " + name + "; ";
    }
    if (!configThere) *problem += "the configuration file is gone; ";
    if (temps.size() > 1) *problem += std::to_string(temps.size()) + " temporary files; ";
    if (temps.empty()) return std::nullopt;
    return temps.front();
  }

  // Kills writers hundreds of times; with `secondName` the file has another
  // name in the same folder, so that every save writes it in place.
  void runKills(bool secondName);

  std::string folder_;
  std::string file_;
};

void CrashSafety::runKills(bool secondName) {
  std::string second = folder_ + "/" + kSecondName;
  if (secondName) {
    ASSERT_EQ(link(file_.c_str(), second.c_str()), 0);
  }
  uint64_t seed = envNumber("HLQ_CRASH_SEED", std::random_device{}());
  uint64_t kills = envNumber("HLQ_CRASH_KILLS", 250);
  std::cout << "crash test seed " << seed << " (replay with HLQ_CRASH_SEED=" << seed << ")\n";
  RecordProperty("seed", std::to_string(seed));
  std::mt19937_64 random(seed);

  std::chrono::nanoseconds perWrite = storeOldValuesTimed();
  std::string complaint;
  std::optional<Values> start = parse(file_, &complaint);
  ASSERT_TRUE(start) << complaint;
  // Kills fall anywhere from the writer's start to a few writes into it;
  // on a slow disk a few tens of milliseconds hold a save or more.
  std::chrono::nanoseconds longest = std::min<std::chrono::nanoseconds>(
      4 * perWrite, std::chrono::milliseconds(40));
  std::uniform_int_distribution<int64_t> delay(0, longest.count());

  uint64_t done = 0;  // writes completed so far, over all writers
  int insideSave = 0, announcedButNotDone = 0;
  auto began = std::chrono::steady_clock::now();
  for (uint64_t round = 0; round < kills; ++round) {
    std::string where = "round " + std::to_string(round) + ", seed " + std::to_string(seed);
    Writer writer = startWriter(file_, done);
    ASSERT_GT(writer.pid, 0) << where;
    ASSERT_TRUE(waitUntilReady(&writer)) << where << ": the writer did not start: " << writer.text;
    std::chrono::nanoseconds wait(delay(random));
    struct timespec pause = {static_cast<time_t>(wait.count() / 1000000000),
                             static_cast<long>(wait.count() % 1000000000)};
    nanosleep(&pause, nullptr);
    int status = killWriter(&writer);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << where << ": the writer ended by itself: " << writer.text;

    std::string problem;
    std::optional<std::string> leftover = leftoverOfKilledSave(&problem);
    EXPECT_EQ(problem, "") << where;
    if (leftover) {
      ++insideSave;
      unlink((folder_ + "/" + *leftover).c_str());
    }
    struct stat config {};
    ASSERT_EQ(stat(file_.c_str(), &config), 0) << where;
    EXPECT_EQ(config.st_mode & 07777, kConfigMode) << where;
    if (secondName) {
      struct stat other {};
      ASSERT_EQ(stat(second.c_str(), &other), 0) << where;
      EXPECT_EQ(other.st_ino, config.st_ino) << where << ": the names were split";
      std::string text = HLQTest_ReadFile(file_);
      if (text.size() > 2 && text.compare(text.size() - 2, 2, "\n\n") == 0) ++insideSave;
    }

    std::optional<Values> seen = parse(file_, &complaint);
    ASSERT_TRUE(seen) << where << ": the file does not parse: " << complaint << "\n"
                      << HLQTest_ReadFile(file_);
    // Every write before the last one announced completed; that one may have.
    std::optional<uint64_t> last = lastAnnounced(writer.text);
    uint64_t before = last ? *last : done;
    if (*seen == expectedAfter(*start, before)) {
      if (last) ++announcedButNotDone;
      done = before;
    } else if (last && *seen == expectedAfter(*start, before + 1)) {
      done = before + 1;
    } else {
      FAIL() << where << ": the file holds neither the state before nor after write " << before
             << ".\nCompared with the state before:\n"
             << differences(*seen, expectedAfter(*start, before)) << "Compared with the state after:\n"
             << differences(*seen, expectedAfter(*start, before + 1));
    }
  }
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);

  struct statfs fs {};
  statfs(folder_.c_str(), &fs);
  std::cout << kills << " kills survived" << (secondName ? " writing in place" : "") << " in " << took.count() << " ms; " << done
            << " writes completed; " << insideSave << (secondName ? " kills left the padding of a save; " : " kills left a save's temporary file; ")
            << announcedButNotDone << " killed a write before it took effect; one write took "
            << perWrite.count() / 1000 << " us on " << (fs.f_type == 0x01021994 ? "tmpfs" : "disk")
            << "\n";
  // Without these the run would not have tested what it claims.
  EXPECT_GT(done, 0u) << "no write ever completed";
  EXPECT_GT(insideSave, 0) << "no kill landed inside a save";
}

TEST_F(CrashSafety, EveryKillLeavesAWholeFileWithOldOrNewValues) { runKills(false); }

TEST_F(CrashSafety, EveryKillLeavesAWholeFileWhenWritingInPlace) { runKills(true); }

}  // namespace

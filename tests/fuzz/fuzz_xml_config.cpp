// Fuzzes the configuration layer over arbitrary file contents. The input is
// the whole configuration file; a few reads and writes are then made on it,
// on keys and attributes the file really has and on names it may lack, with
// values drawn from a list of awkward texts and from the input itself. The
// choices are derived from a hash of the input, so a crashing input replays
// the same operations.
//
// Faults detected beyond the sanitizers' own:
//  - a write reported as stored whose value does not read back, or that
//    changes any other value or attribute of the file;
//  - a write reported as not stored that changes the file in any byte;
//  - a status that contradicts the file (stored into a key that could not be
//    read before, "element missing" for a key that was there, ...);
//  - a temporary file left beside the configuration file.
#include "config/config_layout.h"
#include "config/xml_config.h"

#include <dirent.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

const char kFileName[] = "KWNConfig.xml";

struct Key {
  std::string section, key;
  std::vector<std::string> attributes;
};

struct Snapshot {
  std::map<std::pair<std::string, std::string>, std::optional<std::string>> values;
  std::map<std::tuple<std::string, std::string, std::string>, std::optional<std::string>>
      attributes;
};

// The operation under check and the file before it, for the report of a fault.
std::string lastWrite, fileBeforeWrite;
std::string filePath();
std::string readWhole(const std::string& path);

// With HLQ_FUZZ_SHOW_FILE set, the report shows the file before and after.
[[noreturn]] void fault(const char* what, const std::string& detail = "") {
  std::fprintf(stderr, "\nFAULT: %s %s\nwhile checking: %s\n", what, detail.c_str(),
               lastWrite.c_str());
  if (std::getenv("HLQ_FUZZ_SHOW_FILE"))
    std::fprintf(stderr, "---- file before:\n%s\n---- file after:\n%s\n----\n",
                 fileBeforeWrite.c_str(), readWhole(filePath()).c_str());
  std::abort();
}

// ---- the folder and the file ----

std::string folder;

// How often each write status came up, shown at exit with HLQ_FUZZ_STATS
// set: a run that stores nothing tests little.
unsigned long statusCounts[8];

void showStatusCounts() {
  if (!std::getenv("HLQ_FUZZ_STATS")) return;
  const char* names[] = {"stored", "no handle", "file not loaded", "element missing",
                         "text not allowed", "save failed", "not authorised",
                         "already stored"};
  std::fprintf(stderr, "write statuses:");
  for (int i = 0; i < 8; ++i) std::fprintf(stderr, " %s %lu;", names[i], statusCounts[i]);
  std::fprintf(stderr, "\n");
}

void removeFolder() {
  std::remove((folder + "/" + kFileName).c_str());
  rmdir(folder.c_str());
}

// On tmpfs where there is one: every write syncs the file and the folder.
void makeFolder() {
  const char* base = std::getenv("TMPDIR");
  if (!base) base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string name = std::string(base) + "/hlq-fuzz-xml-XXXXXX";
  if (!mkdtemp(name.data())) fault("cannot create a temporary folder in", base);
  folder = name;
  std::atexit(removeFolder);
  std::atexit(showStatusCounts);
}

std::string filePath() { return folder + "/" + kFileName; }

std::string readWhole(const std::string& path) {
  std::string content;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
    std::fclose(f);
  }
  return content;
}

void writeWhole(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
    fault("cannot write the input file", path);
}

void expectOnlyTheFile(const char* after) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) fault("cannot list", folder);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    // The writers' lock stays beside the file by design.
    if (name != "." && name != ".." && name != kFileName && name != "." + std::string(kFileName) + ".lock")
      fault(after, "left " + name);
  }
  closedir(dir);
}

// ---- what to operate on ----

// The keys the file has, found as the layer finds them (first namesakes).
std::vector<Key> keysOf(const std::string& path) {
  std::vector<Key> keys;
  tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
  if (doc.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS) return keys;
  const tinyxml2::XMLElement* root = doc.FirstChildElement("VCP");
  if (!root) return keys;
  for (auto* s = root->FirstChildElement(); s && keys.size() < 24; s = s->NextSiblingElement()) {
    if (root->FirstChildElement(s->Name()) != s) continue;
    for (auto* k = s->FirstChildElement(); k && keys.size() < 24; k = k->NextSiblingElement()) {
      if (s->FirstChildElement(k->Name()) != k) continue;
      Key key{s->Name(), k->Name(), {}};
      for (auto* a = k->FirstAttribute(); a; a = a->Next()) key.attributes.push_back(a->Name());
      keys.push_back(key);
    }
  }
  return keys;
}

const char* const kSections[] = {kwn::PORTS, kwn::PRINTER, kwn::MSR, kwn::LOGGING,
                                 "VCP", "ports_configuration", ""};
const char* const kKeys[] = {kwn::PRINTER_USB, kwn::CD_USB,    kwn::CODE_PAGE,
                             kwn::HEAD_WRAPPER, kwn::LOG_LEVEL, kwn::MODULE_CD,
                             "VCP",             "Missing_Key",  ""};
const char* const kAttributes[] = {kwn::ATTR_PID,   kwn::ATTR_VID, kwn::ATTR_SERIAL,
                                   kwn::ATTR_PID_2, "New_Attr",    "xmlns"};
const char* const kValues[] = {"", " ", " \t\n ", "0", "/dev/ttyS10", "true",
                               "a&b<c>d\"e'f", "]]>", "&amp;", "<VCP/>", "\x01", "\x7f",
                               "\xff\xfe", "\xc3\xa9", "a\r\nb", "\r", " x ", "%s%n"};

template <typename T, size_t N>
const char* pick(std::minstd_rand& rng, const T (&table)[N]) {
  return table[rng() % N];
}

// A piece of the input, up to its first NUL (the layer takes C strings).
std::string sliceOf(std::minstd_rand& rng, const uint8_t* data, size_t size, size_t most) {
  if (size == 0) return "";
  const size_t at = rng() % size;
  const size_t length = std::min<size_t>(rng() % (most + 1), size - at);
  const std::string piece(reinterpret_cast<const char*>(data + at), length);
  return piece.substr(0, piece.find('\0'));
}

std::string valueFor(std::minstd_rand& rng, const uint8_t* data, size_t size) {
  switch (rng() % 4) {
    case 0: return sliceOf(rng, data, size, 40);
    case 1: return std::string(1 + rng() % 3000, 'x');
    default: return pick(rng, kValues);
  }
}

Key targetFor(std::minstd_rand& rng, const std::vector<Key>& keys, const uint8_t* data,
              size_t size) {
  if (!keys.empty() && rng() % 4 != 0) return keys[rng() % keys.size()];
  if (rng() % 4 == 0) return {sliceOf(rng, data, size, 12), sliceOf(rng, data, size, 12), {}};
  return {pick(rng, kSections), pick(rng, kKeys), {}};
}

std::string attributeFor(std::minstd_rand& rng, const Key& target, const uint8_t* data,
                         size_t size) {
  if (!target.attributes.empty() && rng() % 2 == 0)
    return target.attributes[rng() % target.attributes.size()];
  return rng() % 4 == 0 ? sliceOf(rng, data, size, 12) : pick(rng, kAttributes);
}

// ---- checks ----

// Every value and attribute of `keys`, from one parse of the file (reading
// them through the layer would parse it once per value).
Snapshot snapshotOf(const std::string& path, const std::vector<Key>& keys) {
  Snapshot snap;
  tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
  const bool loaded = doc.LoadFile(path.c_str()) == tinyxml2::XML_SUCCESS;
  const tinyxml2::XMLElement* root = loaded ? doc.FirstChildElement("VCP") : nullptr;
  for (const Key& k : keys) {
    const tinyxml2::XMLElement* s = root ? root->FirstChildElement(k.section.c_str()) : nullptr;
    const tinyxml2::XMLElement* e = s ? s->FirstChildElement(k.key.c_str()) : nullptr;
    auto& value = snap.values[{k.section, k.key}];
    if (e) value = e->GetText() ? e->GetText() : "";
    for (const std::string& a : k.attributes) {
      auto& attribute = snap.attributes[{k.section, k.key, a}];
      if (e && e->Attribute(a.c_str())) attribute = e->Attribute(a.c_str());
    }
  }
  return snap;
}

// White space alone between two tags is not kept by the parser, so such a
// text may also read back empty.
bool readsBackAs(const std::optional<std::string>& readBack, const std::string& written,
                 bool isText) {
  if (readBack == written) return true;
  return isText && readBack == "" && written.find_first_not_of(" \t\n") == std::string::npos;
}

std::string quoted(const std::optional<std::string>& v) {
  if (!v) return "(absent)";
  if (v->size() > 80)
    return "\"" + v->substr(0, 60) + "...\" (" + std::to_string(v->size()) + " bytes)";
  return "\"" + *v + "\"";
}

// `attribute` is null for a write of the element's text.
void checkStatusAgainstFile(const WriteResult& result, const std::optional<std::string>& before,
                            const std::string* attribute, const std::string& value) {
  switch (result.status) {
    case WriteStatus::Stored:
    case WriteStatus::SaveFailed:
      if (!before) fault("write reported the key found, but it could not be read before");
      break;
    case WriteStatus::ElementMissing:
      if (attribute && attribute->empty()) break;  // an attribute without a name
      [[fallthrough]];
    case WriteStatus::FileNotLoaded:
      if (before) fault("write reported the file or key missing, but it read", quoted(before));
      break;
    case WriteStatus::TextNotAllowed:  // the value, or the attribute's name
      if (!attribute && HLQ_IsXmlSafeText(value.c_str()))
        fault("write refused a text the layer calls safe");
      break;
    case WriteStatus::NoHandle:
      fault("write with a handle reported no handle");
    case WriteStatus::NotAuthorized:
      fault("a write of the process's own file went to the helper");
    case WriteStatus::AlreadyStored:
      fault("a single write reported the value held already; only batches compare");
  }
  if (!result.stored() && result.reason.empty()) fault("a write that failed gave no reason");
}

// Everything but the written item reads as before.
void checkOthersUnchanged(const Snapshot& before, const Snapshot& after,
                          const std::pair<std::string, std::string>& writtenValue,
                          const std::tuple<std::string, std::string, std::string>& writtenAttr) {
  for (const auto& [key, value] : before.values)
    if (key != writtenValue && after.values.at(key) != value)
      fault("a write changed another value:", key.first + "/" + key.second + " " +
                                                  quoted(value) + " -> " +
                                                  quoted(after.values.at(key)));
  for (const auto& [key, value] : before.attributes)
    if (key != writtenAttr && after.attributes.at(key) != value)
      fault("a write changed another attribute:", std::get<2>(key) + " " + quoted(value) +
                                                      " -> " + quoted(after.attributes.at(key)));
}

void writeAndCheck(HXMLWRAPPER h, const std::vector<Key>& keys, const Key& target,
                   const std::string* attribute, const std::string& value) {
  const std::string path = filePath();
  const char *s = target.section.c_str(), *k = target.key.c_str();
  const std::string bytesBefore = fileBeforeWrite = readWhole(path);
  const Snapshot before = snapshotOf(path, keys);
  const auto keyBefore = xmlwrapper_ReadXMLNodeValue(h, path.c_str(), s, k);

  const WriteResult result =
      attribute ? xmlwrapper_WriteXMLNodeProperty(h, path.c_str(), s, k, attribute->c_str(),
                                                  value.c_str())
                : xmlwrapper_WriteXMLNodeValue(h, path.c_str(), s, k, value.c_str());
  lastWrite = target.section + "/" + target.key + (attribute ? " @" + *attribute : "") +
              " := " + quoted(value) + ", status " +
              std::to_string(static_cast<int>(result.status)) + " " + result.reason;
  ++statusCounts[static_cast<int>(result.status)];
  expectOnlyTheFile("a write");
  checkStatusAgainstFile(result, keyBefore, attribute, value);
  if (!result.stored()) {
    if (readWhole(path) != bytesBefore) fault("a write that was not stored changed the file");
    return;
  }
  const auto readBack = attribute
                            ? xmlwrapper_ReadXMLNodeProperty(h, path.c_str(), s, k,
                                                             attribute->c_str())
                            : xmlwrapper_ReadXMLNodeValue(h, path.c_str(), s, k);
  if (!readsBackAs(readBack, value, !attribute))
    fault("a stored value reads back differently:", quoted(value) + " -> " + quoted(readBack));
  checkOthersUnchanged(before, snapshotOf(path, keys), {target.section, target.key},
                       {target.section, target.key, attribute ? *attribute : std::string()});
}

void readAndCheck(HXMLWRAPPER h, const Key& target, const std::string& attribute) {
  const std::string path = filePath();
  const char *s = target.section.c_str(), *k = target.key.c_str();
  const std::string bytesBefore = readWhole(path);
  const auto value = xmlwrapper_ReadXMLNodeValue(h, path.c_str(), s, k);
  const auto property = xmlwrapper_ReadXMLNodeProperty(h, path.c_str(), s, k, attribute.c_str());
  lastWrite = "(a read of " + target.section + "/" + target.key + " @" + attribute + ")";
  if (property && !value) fault("an attribute was read from a key whose text is absent");
  if (readWhole(path) != bytesBefore) fault("a read changed the file");
  expectOnlyTheFile("a read");
}

uint32_t hashOf(const uint8_t* data, size_t size) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  makeFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeWhole(filePath(), data, size);
  std::minstd_rand rng(hashOf(data, size));
  HXMLWRAPPER h = xmlwrapper_create();
  for (int op = 0; op < 4; ++op) {
    const std::vector<Key> keys = keysOf(filePath());
    const Key target = targetFor(rng, keys, data, size);
    const std::string attribute = attributeFor(rng, target, data, size);
    const std::string value = valueFor(rng, data, size);
    switch (rng() % 3) {
      case 0: readAndCheck(h, target, attribute); break;
      case 1: writeAndCheck(h, keys, target, nullptr, value); break;
      case 2: writeAndCheck(h, keys, target, &attribute, value); break;
    }
  }
  xmlwrapper_destroy(h);
  return 0;
}

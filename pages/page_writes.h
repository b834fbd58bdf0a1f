// What one Apply of a page stores, collected in order before anything is
// written, each checked against its rule in the page model (a typed text
// the daemon could not use is reported, not written), then stored and
// reported together. Where the privileged helper
// stores them (a technician's window), it does so in one call, for which
// the administrator's password is asked once.
#pragma once

#include <string>
#include <vector>

#include "app/apply_report.h"
#include "config/xml_config.h"

class HLQPageWrites {
 public:
  explicit HLQPageWrites(const char* file) : file_(file) {}

  // The text of VCP/section/key; the report names it by its key.
  void text(const char* section, const char* key, const std::string& value);
  // An attribute of VCP/section/key; the report names it "KEY attribute ATTR".
  void attribute(const char* section, const char* key, const char* attribute,
                 const std::string& value);
  // A value deliberately not written (for example a port with no selection).
  void leftUnchanged(const std::string& name, const std::string& reason);

  // The values to store so far, in order.
  const std::vector<HLQValueToStore>& values() const { return values_; }

  // Stores every value, each with one load, change and safe save of the
  // file, and reports each in the order it was given.
  ApplyReport store() const;

 private:
  void add(const std::string& name, const char* section, const char* key, const char* attribute,
           const std::string& value);
  struct Entry {
    std::string name;
    std::string leftUnchangedReason;  // empty for a value that is written
  };
  const char* file_;
  std::vector<Entry> entries_;
  std::vector<HLQValueToStore> values_;
};

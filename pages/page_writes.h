// What one Apply of a page stores, collected in order before anything is
// written, each checked against its rule in the page model (a typed text
// the daemon could not use is reported, naming the field as the page
// labels it, not written), then stored and reported together. Where the
// privileged helper stores them (a technician's window), it does so in one
// call, for which the administrator's password is asked once.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/apply_report.h"
#include "config/xml_config.h"

class HLQPageWrites {
 public:
  explicit HLQPageWrites(const char* file) : file_(file) {}

  // The text of VCP/section/key; the report names it by its key. `field`,
  // when given, is the widget that shows it (named when a question is asked).
  void text(const char* section, const char* key, const std::string& value,
            GtkWidget* field = nullptr);
  // An attribute of VCP/section/key; the report names it "KEY attribute ATTR".
  void attribute(const char* section, const char* key, const char* attribute,
                 const std::string& value, GtkWidget* field = nullptr);
  // A text the technician typed into `field`, for the text of VCP/section/key
  // or its attribute (nullptr for the text). A text its rule refuses is
  // reported under the field's label, with what the field holds.
  void typed(const char* section, const char* key, const char* attribute,
             const std::string& value, GtkWidget* field);
  // A value deliberately not written (for example a port with no selection).
  void leftUnchanged(const std::string& name, const std::string& reason);

  const char* file() const { return file_; }
  // The values to store so far, in order.
  const std::vector<HLQValueToStore>& values() const { return values_; }
  // Where each of them is read from.
  std::vector<HLQValueAddress> addresses() const;
  // How a question names the value values()[i]: the field as the page
  // labels it with its key, or the key alone.
  std::string nameOfValue(size_t i) const;

  // Stores every value in one load, change and safe save of the file (or
  // through the helper), and reports each in the order it was given.
  ApplyReport store() const;
  // The report for `results`, one for each of values().
  ApplyReport report(const std::vector<WriteResult>& results) const;

 private:
  void add(const std::string& name, const char* section, const char* key, const char* attribute,
           const std::string& value, GtkWidget* field, bool typed);
  struct Entry {
    std::string name;
    std::string leftUnchangedReason;  // empty for a value that is written
  };
  const char* file_;
  std::vector<Entry> entries_;
  std::vector<HLQValueToStore> values_;
  std::vector<std::string> valueNames_;  // for values_, as a question names them
};

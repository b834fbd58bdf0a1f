// What one Apply of a page stores: the page's fields taken as values the
// technician gave, planned by the page model against what the page read, as
// the command line plans them. Only values whose field changed are asked
// for, only stored texts that differ are written, and nothing is written
// when any field holds a text its rule refuses. The stored texts come from
// the model's table alone, so no key the model does not know is ever
// written. Where the privileged helper stores them (a technician's window),
// it does so in one call; root's window saves the file once.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/apply_report.h"
#include "app/overwrite_question.h"
#include "config/xml_config.h"
#include "model/page_values.h"
#include "model/value_changes.h"
#include "pages/page_fields.h"
#include "pages/shown_values.h"

class HLQPageWrites {
 public:
  // Plans the Apply of `fields` of `page`.
  HLQPageWrites(HLQPage page, std::vector<HLQField> fields, HLQCodepageLists* codepages);

  HLQPage page() const { return page_; }
  const char* file() const;  // the file's path
  // The fields whose texts their rules refuse, each with why.
  const std::vector<NotStoredValue>& refusals() const { return refusals_; }
  // Nothing differs from what the page read, or it read nothing: nothing
  // to write.
  bool unchanged() const { return refusals_.empty() && (values_.empty() || !unread_.empty()); }

  // The stored texts to write, in the table's order.
  const std::vector<HLQValueToStore>& values() const { return values_; }
  std::vector<HLQValueAddress> addresses() const;
  // Each value another writer changed, once, as the page shows it.
  std::vector<HLQOverwrite> overwrites(const std::vector<HLQChangedElsewhere>& changed) const;

  // Stores every value in one save of the file (or one call of the helper)
  // and reports each changed field.
  ApplyReport store() const;
  // The report for `results` (one for each of values()); the page then
  // remembers what was stored as what it read.
  ApplyReport report(const std::vector<WriteResult>& results) const;

 private:
  struct Changed {
    HLQField field;
    std::string label;
    std::vector<size_t> writes;  // in values_
    std::string unread;          // the file lacks what it needs: not stored
  };
  HLQPage page_;
  std::vector<HLQField> fields_;
  std::vector<Changed> changed_;
  std::vector<const HLQStoredValue*> stored_;  // for values_
  std::vector<HLQValueToStore> values_;
  std::vector<NotStoredValue> refusals_;
  std::string unread_;  // why the page's file could not be read
};

// A field as messages name it: its label, or its key where it has none.
std::string HLQ_FieldName(const HLQField& field);

// The Apply of every field of `page` (the code page checked against the
// list the printer page shows).
HLQPageWrites HLQ_CollectPage(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                              HLQCheckBoxes* checks);

// Whether the field's text can be stored, as an Apply would check it (true
// too when it shows what the page read); when not, why in `err`.
bool HLQ_CheckField(HLQPage page, const HLQField& field, std::string* err);

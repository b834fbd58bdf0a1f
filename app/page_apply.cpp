#include "app/page_apply.h"

#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "app/apply_report.h"
#include "app/message_box.h"
#include "app/overwrite_question.h"
#include "app/page_views.h"
#include "config/helper_async.h"
#include "config/xml_values.h"
#include "pages/field_checks.h"
#include "pages/page_state.h"
#include "pages/shown_values.h"

namespace {

struct Apply {
  HLQPage page;
  HLQPageWrites writes;
  std::string successText;
  std::string title;
};
using ApplyPtr = std::shared_ptr<Apply>;

void report(const ApplyPtr& apply, const std::vector<WriteResult>& results) {
  HLQ_RememberStored(apply->page, apply->writes.values(), results);
  const ApplyReport done = apply->writes.report(results);
  HLQ_CheckPageFields(apply->page);
  HLQCT_FinishApply(done, apply->successText.c_str(), apply->title.c_str());
}

void store(const ApplyPtr& apply) {
  const char* file = apply->writes.file();
  if (!HLQ_NeedsHelper(file, W_OK)) return report(apply, HLQ_StoreValues(file, apply->writes.values()));
  HLQ_BeginWaiting(apply->page);
  HLQ_StoreValuesAsync(file, apply->writes.values(),
                       [apply](const std::vector<WriteResult>& results) {
                         HLQ_EndWaiting(apply->page);
                         report(apply, results);
                         HLQ_CloseIfAsked();
                       });
}

std::vector<HLQOverwrite> overwritesOf(const Apply& apply, const HLQFileValues& now) {
  return apply.writes.overwrites(HLQ_ChangedElsewhere(apply.page, apply.writes.values(), now));
}

// Stores, unless the technician keeps what another program stored.
void storeUnlessKept(const ApplyPtr& apply, const HLQFileValues& now) {
  const std::vector<HLQOverwrite> overwrites = overwritesOf(*apply, now);
  if (!overwrites.empty() && !HLQ_AskToOverwrite(overwrites, apply->title.c_str())) {
    StatusMessageBox(_("Nothing was stored: the values that another program stored were kept."),
                     apply->title.c_str());
    return;
  }
  store(apply);
}

}  // namespace

void HLQ_ApplyPage(const HLQPageWrites& writes, const char* successText, const char* title) {
  const HLQPage page = writes.page();
  std::string notice;
  if (HLQ_IsUnread(page, &notice)) return StatusMessageBox(notice.c_str(), title);
  if (HLQ_IsWaiting(page)) return;
  // A refused field, or nothing changed: nothing is read, asked or written.
  if (!writes.refusals().empty() || writes.unchanged())
    return HLQCT_FinishApply(writes.report({}), successText, title);
  auto apply = std::make_shared<Apply>(Apply{page, writes, successText, title});
  const char* file = writes.file();
  // A page that knows nothing it read has nothing to hold the file against.
  if (!HLQ_KnowsShown(page)) return store(apply);
  if (!HLQ_NeedsHelper(file, R_OK))
    return storeUnlessKept(apply, HLQ_ReadValuesOnce(file, writes.addresses()));
  HLQ_BeginWaiting(page);
  HLQ_HelperReadValuesAsync(file, [apply](const HLQHelperFileRead& read) {
    HLQ_EndWaiting(apply->page);
    storeUnlessKept(apply, HLQ_ValuesOfHelperRead(read, apply->writes.addresses()));
    HLQ_CloseIfAsked();
  });
}

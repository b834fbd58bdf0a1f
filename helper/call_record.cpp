#include "helper/call_record.h"

#include <glib.h>

#include <cstdio>
#include <map>

namespace {

// Each user's share: this many refusal lines in one window of this length.
constexpr int kLinesPerWindow = 20;
constexpr guint kWindowSeconds = 60;

struct Share {
  int written = 0;
  int leftOut = 0;
  guint summaryTimer = 0;
};

// One entry per user with lines in the current window; users are few, and
// an entry goes once its window has passed.
std::map<guint32, Share> g_shares;

void write(const std::string& who, const std::string& line) {
  std::fprintf(stderr, "hlqconfig-helper: %s: %s\n", who.c_str(), line.c_str());
  std::fflush(stderr);
}

std::string userLabel(guint32 uid) { return "uid " + std::to_string(uid); }

void writeLeftOut(guint32 uid, Share& share) {
  if (share.leftOut > 0)
    write(userLabel(uid), std::to_string(share.leftOut) +
                              " more refusals and failed authorisations of this user within " +
                              std::to_string(kWindowSeconds) + " s were not recorded");
  share.leftOut = 0;
}

gboolean windowEnded(gpointer data) {
  const guint32 uid = GPOINTER_TO_UINT(data);
  auto found = g_shares.find(uid);
  if (found != g_shares.end()) {
    found->second.summaryTimer = 0;
    writeLeftOut(uid, found->second);
    g_shares.erase(found);
  }
  return G_SOURCE_REMOVE;
}

// A caller the bus could not name shares one budget with every other such caller.
guint32 userOf(const HLQCaller& caller) { return caller.known ? caller.uid : G_MAXUINT32; }

}  // namespace

void HLQ_RecordChange(const HLQCaller& caller, const std::string& line) {
  write(HLQ_CallerLabel(caller), line);
}

void HLQ_RecordRefusal(const HLQCaller& caller, const std::string& line) {
  const guint32 uid = userOf(caller);
  Share& share = g_shares[uid];
  if (share.written == 0) {
    // The window closes with the line about what it left out, if anything.
    share.summaryTimer = g_timeout_add_seconds(kWindowSeconds, windowEnded, GUINT_TO_POINTER(uid));
  }
  if (share.written < kLinesPerWindow) {
    ++share.written;
    write(HLQ_CallerLabel(caller), line);
  } else {
    ++share.leftOut;
  }
}

bool HLQ_RecordSharesOpen() { return !g_shares.empty(); }

void HLQ_RecordLeftOut() {
  for (auto& [uid, share] : g_shares) {
    writeLeftOut(uid, share);
    if (share.summaryTimer) g_source_remove(share.summaryTimer);
  }
  g_shares.clear();
}

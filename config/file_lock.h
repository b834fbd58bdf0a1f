// Serialises every load, change and save of one configuration file across
// processes (the window, the privileged helper and the command line), so
// that two writers of different values never lose one another's change.
//
// The lock is a separate file beside the configuration file, ".NAME.lock",
// which a save never replaces (a lock on the configuration file itself
// would be lost with the inode that a save renames away). It is given the
// configuration file's owner and group and only the write permissions of
// its mode (0644 gives 0200): only those who may change the file can open
// the lock, so no mere reader can hold it and stall the writers. A lock file
// that is not like that (another user's, or one others may open) is not
// used: it is removed and made anew where this process may, and otherwise
// nothing is written; so is anything else at the lock's name (a folder, a
// FIFO, a link), which is never a reason to write unlocked.
#pragma once

#include <sys/stat.h>

#include <string>

class HLQFileLock {
 public:
  // Waits at most a few seconds for the lock of `file`. A file that does
  // not exist needs no lock (the load that follows says why); where the
  // lock file cannot be created (a read-only folder, a folder this user may
  // not change) the access goes ahead unlocked, since it cannot clash with
  // a writer there either. A thread that holds the lock already shares it.
  explicit HLQFileLock(const char* file);
  ~HLQFileLock();
  HLQFileLock(const HLQFileLock&) = delete;
  HLQFileLock& operator=(const HLQFileLock&) = delete;

  // False when another writer held the lock for too long; `problem()` then
  // says so for the user, and the caller must not write.
  bool held() const { return problem_.empty(); }
  const std::string& problem() const { return problem_; }

 private:
  int openLock(const std::string& folder, const std::string& name, const struct stat& target);

  std::string path_;
  int fd_ = -1;
  bool shared_ = false;
  std::string problem_;
};

// How every layer returns an error: a function that can fail returns bool
// (true on success) and, on failure, puts the reason for the user in its
// last parameter, `std::string* err`, which callers that need no reason may
// leave null. HLQ_Failed is the one way to say no.
#pragma once

#include <string>
#include <utility>

inline bool HLQ_Failed(std::string* err, std::string reason) {
  if (err) *err = std::move(reason);
  return false;
}

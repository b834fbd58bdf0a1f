// The restart of the daemon, run without waiting for it: the helper goes on
// answering other calls while systemctl runs.
#pragma once

#include <functional>

// Starts the restart command with a fixed PATH, from "/", without the
// helper's descriptors; `done` runs on the main loop with its exit status, or
// -1 when it could not be run or did not exit normally.
void HLQ_StartRestartCommand(std::function<void(int status)> done);

// polkit's text agent for this process, so that a password the helper's
// calls need can be asked for on the terminal: started only when standard
// input is a terminal and asking is allowed, and ended with the program.
#pragma once

// Starts the agent and waits until polkit knows it (a few seconds at most).
// Without a terminal, when asking is not allowed, or when the agent cannot
// be started, nothing happens: polkit then answers that no agent was there.
void HLQCtl_StartPasswordAgent();
void HLQCtl_EndPasswordAgent();

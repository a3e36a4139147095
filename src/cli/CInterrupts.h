#pragma once
// Ctrl-C for every command. Install (first thing in main, before any thread
// starts) blocks SIGINT in every thread and lets one thread wait for it. The
// first Ctrl-C runs the stop action when one is set (a job is running: it
// stops after its current frame or chunk and the command ends with status
// 130); without one the program ends at once with status 130. A second
// Ctrl-C always ends the program at once.

#include <functional>

namespace CInterrupts {
void Install();
// The action for the first Ctrl-C; empty to remove it.
void SetStopAction(std::function<void()> action);
} // namespace CInterrupts

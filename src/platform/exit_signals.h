// Turns the signals that ask a program to end (SIGTERM from a logout or a service manager,
// SIGINT from Ctrl+C, SIGHUP from a closed terminal) into a readable descriptor, so that an
// event loop can take its ordinary exit path instead of dying with unsaved changes.
#pragma once

namespace platform {

// Installs the handlers once per process; later calls return the same descriptor. The
// descriptor becomes readable after such a signal; the reader calls TakeExitSignal. Returns -1
// when the pipe or the handlers cannot be set up (the signals then keep their default action).
int ExitSignalDescriptor();
// Reads what is pending on the descriptor; returns the last signal number, 0 when none.
int TakeExitSignal();

}  // namespace platform

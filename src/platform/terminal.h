// Whether the program talks to a person at a terminal (for progress lines).
#pragma once

namespace platform {

// True when standard output is a terminal; false when it goes to a file or a pipe.
bool StdoutIsTerminal();

}  // namespace platform

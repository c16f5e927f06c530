// Whether the program talks to a person at a terminal (for progress lines), and text made safe
// to print there.
#pragma once

#include <string>

namespace platform {

// True when standard output is a terminal; false when it goes to a file or a pipe.
bool StdoutIsTerminal();

// Text from outside (a device's name, a macro's name or file) as it may be printed to a
// terminal: control characters (C0, DEL and the C1 range U+0080..U+009F) become "\xNN" or
// "\u00NN", and bytes that are not well-formed UTF-8 become "\xNN", so no escape sequence in a
// name reaches the terminal. Printable text, also outside ASCII, is kept; with keepLineBreaks
// (messages that hold names) so are line feeds and tabs.
std::string TerminalSafe(const std::string& text, bool keepLineBreaks = false);

}  // namespace platform

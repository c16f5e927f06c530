// The language the desktop session asks programs to speak.
#pragma once

#include <string>

namespace platform {

// The locale name for messages as POSIX programs take it: LC_ALL, else LC_MESSAGES, else LANG
// (for example "de_DE.UTF-8"); empty when none is set.
std::string MessagesLocaleName();

}  // namespace platform

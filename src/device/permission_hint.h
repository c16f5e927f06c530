// What to tell a user whose mouse is present but whose hidraw nodes may not be opened.
#pragma once

#include <string>

// File name of the udev rule in the program folder (generated from cfg.ini at build time).
constexpr const char* kUdevRuleFile = "70-mivora.rules";

// The shell commands that install the program folder's udev rule and apply it to devices
// already plugged in, joined by separator (for example "\n" or " && ").
std::string UdevRuleCommands(const std::string& separator);

// The same steps as one command line for a root shell (sh -c), without sudo, ending once udev
// has applied the rule (at most 10 s): one password prompt installs everything.
std::string UdevRuleInstallScript();

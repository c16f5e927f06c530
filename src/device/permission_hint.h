// What to tell a user whose mouse is present but whose hidraw nodes may not be opened.
#pragma once

#include <string>

// File name of the udev rule in the program folder (generated from cfg.ini at build time).
constexpr const char* kUdevRuleFile = "70-mivora.rules";

// Folders udev reads rules from: the package's (under /usr/lib, or /lib on older systems) and
// the administrator's.
inline constexpr const char* kUdevRuleDirs[] = {"/usr/lib/udev/rules.d/", "/lib/udev/rules.d/",
                                                "/etc/udev/rules.d/"};

// What helps a user whose mouse may not be opened, from what this system has.
struct PermissionAdvice {
    // The rule is in one of udev's folders already: installing it again changes nothing; a
    // replug, a new login or the active seat does.
    bool ruleInPlace = false;
    bool haveSudo = true;  // else the commands are for a root shell
    bool havePkexec = false;
};

// The advice for this system; root is prepended to every path looked at (tests).
PermissionAdvice CurrentPermissionAdvice(const std::string& root = "");

// The shell commands that install the program folder's udev rule and apply it to devices
// already plugged in, joined by separator (for example "\n" or " && "); with sudo before each
// unless withSudo is false (a root shell).
std::string UdevRuleCommands(const std::string& separator, bool withSudo = true);

// The same steps as one command line for a root shell (sh -c), without sudo, ending once udev
// has applied the rule (at most 10 s): one password prompt installs everything.
std::string UdevRuleInstallScript();

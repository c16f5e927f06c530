// User folders by the XDG rules.
#pragma once

#include <string>

namespace platform {

// Folder of the running executable, without trailing "/"; empty when unknown.
std::string ExecutableDir();
// $HOME (or the password database entry); "/" as a last resort.
std::string HomeDir();
// $XDG_DATA_HOME, else ~/.local/share.
std::string DataHomeDir();
// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHomeDir();
// `xdg-user-dir DESKTOP` (from user-dirs.dirs), else ~/Desktop when it exists, else home.
std::string DesktopDir();

}  // namespace platform

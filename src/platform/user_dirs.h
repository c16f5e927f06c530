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
// The user's private runtime folder for sockets and locks: $XDG_RUNTIME_DIR when set, else
// "<tmpBase>/mivora-<uid>", made with mode 0700 when missing. That fallback must be a folder
// (not a link) owned by this user; its mode is narrowed to 0700. Empty, with error saying why
// and what to do, when it cannot be used (another user owns it, it cannot be made).
std::string UserRuntimeDir(std::string& error, const std::string& tmpBase = "/tmp");
// `xdg-user-dir DESKTOP` (from user-dirs.dirs), else ~/Desktop when it exists, else home.
std::string DesktopDir();

}  // namespace platform

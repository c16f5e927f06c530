// Command line of the desktop program: the virtual-mouse options it shares with mivora-cli,
// the data folder and the screenshot command.
#pragma once

#include <string>
#include <vector>

struct AppOptions {
    bool virtualMouse = false;
    std::string virtualFile;
    int virtualCid = -1;
    int virtualMid = -1;
    std::string virtualLink = "receiver";
    std::string virtualFaults;
    std::string dataDir;
    std::string sysfsRoot;  // --sysfs-root DIR, --dev-root DIR: hidraw nodes served elsewhere
    std::string devRoot;    // (an emulator), for testing and diagnosis
    std::string screenshotDir;  // --screenshot DIR: render the windows to PNG files and exit
    bool help = false;
    bool version = false;
};

// Parses args (without the program name). Returns true, or false with a one-line error.
bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& out, std::string& error);
const char* AppUsage();
// "mivora <version>" and a line feed.
std::string AppVersion();
// True when args ask for the help or the version: those are answered before any window
// system is opened, so they work without a display. The help wins over the version.
bool WantsHelpOrVersion(const std::vector<std::string>& args);
bool WantsHelp(const std::vector<std::string>& args);

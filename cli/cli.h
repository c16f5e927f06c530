// Shared pieces of mivora-cli: global options and the command table.
#pragma once

#include <string>
#include <vector>

struct CliOptions {
    bool virtualMouse = false;   // --virtual-mouse[=FILE]
    std::string virtualFile;     // state file of the virtual mouse ("" = memory only)
    int virtualCid = -1;         // --virtual-cid N (-1: first model of cfg.ini)
    int virtualMid = -1;         // --virtual-mid N
    std::string virtualLink = "receiver";  // --virtual-link receiver|bluetooth
    std::string virtualFaults;   // --virtual-faults SPEC
    std::string dataDir;         // --data-dir DIR replaces the per-user data folder
    std::string sysfsRoot;       // --sysfs-root DIR instead of /sys/class/hidraw
    std::string devRoot;         // --dev-root DIR instead of /dev (where hidrawN live)
    bool json = false;           // the command prints JSON: nothing else goes to stdout
    bool direct = false;         // --direct: never through the running window
};

// A command gets the global options and the words after its name; returns the exit code.
using CliCommandFn = int (*)(const CliOptions& opts, const std::vector<std::string>& args);

struct CliCommand {
    const char* name;
    const char* usage;  // one line for --help
    CliCommandFn run;
};

// Prints "mivora-cli: <text>" to standard error and returns exit code 1.
int CliFail(const std::string& text);

// The words of `import FILE.zqa [--force] [--rules]`, each option at most once.
struct ImportArgs {
    std::string file;
    bool force = false;  // a profile made for another sensor
    bool rules = false;  // the rules beside the profile replace the data folder's
};
bool ParseImportArgs(const std::vector<std::string>& args, ImportArgs& out);

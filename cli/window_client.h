// mivora-cli through the running window: when the window serves the mouse on the session bus
// for the same data folder, the commands that read or change the mouse are carried out by it
// (it holds the mouse and the data folder's lock) and print what they print alone.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

// True when the window carried out the command (rc is its exit code); false when the command
// must run alone: --direct, no bus, no window, another data folder, a command the window does
// not carry out, or words the command alone refuses at once.
bool RunThroughWindow(const CliOptions& opts, const std::string& name,
                      const std::vector<std::string>& args, int& rc);

// The command table of mivora-cli. Each command lives in cli/cmd_<name>.cpp.
#pragma once

#include "cli/cli.h"

int CmdConfig(const CliOptions& opts, const std::vector<std::string>& args);
int CmdDevices(const CliOptions& opts, const std::vector<std::string>& args);
int CmdStatus(const CliOptions& opts, const std::vector<std::string>& args);
int CmdMacro(const CliOptions& opts, const std::vector<std::string>& args);

// name, usage line, function
#define MIVORA_CLI_COMMANDS \
    {"config", "config                 print the loaded configuration and its messages", CmdConfig}, \
    {"devices", "devices                search once and list every mouse that answered", CmdDevices}, \
    {"status", "status                 print whether the mouse answers (connection status)", CmdStatus}, \
    {"macro", "macro list|show NAME|import FILE [--folder DIR]|export NAME FILE   the macro library", CmdMacro},

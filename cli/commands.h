// The command table of mivora-cli. Each command lives in cli/cmd_<name>.cpp.
#pragma once

#include "cli/cli.h"

int CmdConfig(const CliOptions& opts, const std::vector<std::string>& args);

// name, usage line, function
#define MIVORA_CLI_COMMANDS \
    {"config", "config                 print the loaded configuration and its messages", CmdConfig},

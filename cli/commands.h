// The command table of mivora-cli. Each command lives in cli/cmd_<name>.cpp.
#pragma once

#include "cli/cli.h"

int CmdConfig(const CliOptions& opts, const std::vector<std::string>& args);
int CmdDevices(const CliOptions& opts, const std::vector<std::string>& args);
int CmdStatus(const CliOptions& opts, const std::vector<std::string>& args);
int CmdMacro(const CliOptions& opts, const std::vector<std::string>& args);
int CmdRead(const CliOptions& opts, const std::vector<std::string>& args);
int CmdSet(const CliOptions& opts, const std::vector<std::string>& args);
int CmdApply(const CliOptions& opts, const std::vector<std::string>& args);
int CmdRestore(const CliOptions& opts, const std::vector<std::string>& args);
int CmdExport(const CliOptions& opts, const std::vector<std::string>& args);
int CmdImport(const CliOptions& opts, const std::vector<std::string>& args);
int CmdKeySet(const CliOptions& opts, const std::vector<std::string>& args);

// name, usage line, function
#define MIVORA_CLI_COMMANDS \
    {"config", "config                 print the loaded configuration and its messages", CmdConfig}, \
    {"devices", "devices [--verbose]    search once and list every mouse that answered (--verbose: every hidraw node of the vendor id first)", CmdDevices}, \
    {"status", "status                 print whether the mouse answers (connection status)", CmdStatus}, \
    {"macro", "macro list|show NAME|import FILE [--folder DIR]|export NAME FILE   the macro library", CmdMacro}, \
    {"read", "read [--json]          identify, read the mouse into the stored profile and print it", CmdRead}, \
    {"set", "set dpi STAGE X [Y] | stage STAGE | rate HZ [--bluetooth] | light MODE [--color RRGGBB] [--speed N] [--brightness N] | key INDEX FUNCTION [--set N]   (STAGE, INDEX from 0; N: key set 1..3)", CmdSet}, \
    {"keyset", "keyset [N]             print the key sets and which one is current; N (1..3): switch the mouse to key set N", CmdKeySet}, \
    {"apply", "apply                  write the whole stored profile to the mouse", CmdApply}, \
    {"restore", "restore                default profile, pointer settings and device reset", CmdRestore}, \
    {"export", "export FILE.zqa        write the profile and its macros to a file", CmdExport}, \
    {"import", "import FILE.zqa [--force] [--rules]  read a profile file and write it to the mouse (--force: one made for another sensor; --rules: its rules by application replace yours)", CmdImport},

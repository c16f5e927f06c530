// The help pages of mivora-cli: one per command ("mivora-cli COMMAND --help") and the version.
#pragma once

#include <cstdio>
#include <string>

// "--help" or "-h".
bool IsHelpWord(const std::string& word);
// Prints the usage and description of the command called name; false when there is no such
// command.
bool PrintCommandHelp(std::FILE* out, const std::string& name);
// Prints "<program> <version>".
void PrintVersion(std::FILE* out, const char* program);

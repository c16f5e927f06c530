// Where the settings of cfg.ini come from. The file in the program folder is the package's and
// holds the defaults (a reinstall replaces it); a system-wide file and the user's own file
// override it key by key, the user's winning. The program never writes any of them.
#pragma once

#include <string>
#include <vector>

// The override files, strongest first: $XDG_CONFIG_HOME/mivora/cfg.ini (else
// ~/.config/mivora/cfg.ini), then /etc/mivora/cfg.ini.
std::vector<std::string> CfgOverrideFiles();

// The shipped text with the key lines of each override text put first in their sections (the
// first key of a name wins when the text is read), so an override replaces the shipped value and
// every other key stays. overrides are strongest first; their sections missing from shipped are
// added. Texts are UTF-8 (with or without a byte-order mark) or UTF-16LE with its mark, as the
// profile reader takes them; the result is UTF-8. Lines outside a section, comments (";", "#")
// and lines without "=" in an override are ignored.
std::string MergeCfgText(const std::string& shipped, const std::vector<std::string>& overrides);

// Reads cfgPath and the override files that exist and merges them as above. An override that
// is not a regular file, cannot be read or is larger than 1 MiB is left out and noted in the log.
std::string LoadMergedCfgText(const std::string& cfgPath,
                              const std::vector<std::string>& overrideFiles);

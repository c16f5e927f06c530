// KDE's INI files (kdeglobals, kcminputrc) as KDE reads them: "[Group]" headers, "key=value"
// lines with spaces around the key ignored, '#' comments, the last of repeated keys winning, and
// "[$i]" marking a key or group the administrator locked. A write changes only the key's lines
// and keeps every other line, comment and key as it was.
#pragma once

#include <string>

namespace platform {

// The key's value in the group; false when the text has none.
bool KdeConfigGet(const std::string& text, const std::string& group, const std::string& key,
                  std::string& value);
// The text with the key set: its lines in the group rewritten, or a line added at the end of
// the group's first section, or a new group at the end. False (text unchanged) when the key or
// its group is locked with [$i].
bool KdeConfigSet(std::string& text, const std::string& group, const std::string& key,
                  const std::string& value);

// The same on a file (a missing file reads as empty); the write replaces the file atomically
// and creates its folder when needed.
bool KdeConfigGetFile(const std::string& path, const std::string& group, const std::string& key,
                      std::string& value);
bool KdeConfigSetFile(const std::string& path, const std::string& group, const std::string& key,
                      const std::string& value);

}  // namespace platform

// Helpers for tests that load a cfg.ini written into a temporary program folder.
#pragma once

#include <string>

#include "config/program_config.h"
#include "support/support.h"

namespace config_test {

// Writes text as cfg.ini into dir and loads it as start-up does; returns LoadConfig's result.
inline int LoadCfgText(const testing_support::TempDir& dir, const std::string& text) {
    dir.Write("cfg.ini", text);
    return LoadConfig(dir.path() + "/");
}

}  // namespace config_test

// The rules by application that an export leaves beside the profile ("Game.rules.ini"), taken
// along when that profile is imported on another computer. The data folder's own rules are never
// replaced unless the caller says so (the window asks the user, mivora-cli and D-Bus take an
// option).
#pragma once

#include <functional>
#include <string>

#include "profile/app_rules.h"

// A rules file beside a profile is at most this large: 64 rules of the longest name fit many
// times over.
constexpr size_t kMaxRulesFileBytes = 64 * 1024;

// Reads a rules file strictly: a regular file of at most kMaxRulesFileBytes with a [Rules]
// section whose Count rules are all usable. False with the reason in why when it is not (the
// lenient LoadAppRules would silently drop what is wrong).
bool ReadRulesFile(const std::string& path, AppRules& out, std::string& why);

// Where the data folder's rules live: AppRules.ini, or the running switcher that keeps them.
struct RulesStore {
    std::function<AppRules()> load;
    std::function<bool(const AppRules&)> save;
};
RulesStore RulesFileStore(const std::string& path);

struct RulesImport {
    enum class Outcome {
        kNone,      // no rules file beside the profile, or one without rules
        kTaken,     // the data folder had none: the file's rules are stored
        kReplaced,  // the data folder's rules were replaced at the caller's word
        kKept,      // the data folder's rules stay; the file's were not taken
        kDamaged,   // the file beside could not be read or holds something unusable
        kNotSaved,  // the rules could not be stored
    };
    Outcome outcome = Outcome::kNone;
    std::string file;     // the rules file beside the profile
    int fileRules = 0;    // rules the file holds
    int userRules = 0;    // rules the data folder held before
    std::string message;  // one line for the user; empty for kNone
    // Whether the data folder's rules changed (the switcher and the rules editor show them).
    bool Changed() const { return outcome == Outcome::kTaken || outcome == Outcome::kReplaced; }
    // Whether the user should be warned rather than informed.
    bool Warning() const {
        return outcome == Outcome::kKept || outcome == Outcome::kDamaged ||
               outcome == Outcome::kNotSaved;
    }
};

// After a profile was imported from profilePath: takes the rules file beside it into store.
// When the data folder has rules of its own, replace(userRules, fileRules) decides (the window
// asks; the command line answers with its option). The paused state stays this computer's.
RulesImport TakeRulesBeside(const std::string& profilePath, const RulesStore& store,
                            const std::function<bool(int userRules, int fileRules)>& replace);

#include "profile/rules_import.h"

#include <cerrno>
#include <cstdint>
#include <vector>

#include "core/log.h"
#include "platform/files.h"
#include "platform/private_profile.h"
#include "profile/profile_export.h"

namespace {

std::string RulesCount(int n) {
    return std::to_string(n) + (n == 1 ? " rule" : " rules") + " by application";
}

}  // namespace

bool ReadRulesFile(const std::string& path, AppRules& out, std::string& why) {
    out = AppRules{};
    std::vector<uint8_t> bytes;
    int err = 0;
    bool truncated = false;
    if (!platform::ReadRegularFile(path, kMaxRulesFileBytes, bytes, &err, &truncated)) {
        why = platform::FileErrorText(err);
        return false;
    }
    if (truncated) {
        why = "larger than " + std::to_string(kMaxRulesFileBytes / 1024) + " KiB";
        return false;
    }
    platform::PrivateProfile ini;
    ini.Parse(std::string(bytes.begin(), bytes.end()));
    if (!ini.HasKey("Rules", "Count")) {
        why = "no [Rules] section with a Count";
        return false;
    }
    const int count = ini.GetInt("Rules", "Count", 0);
    if (count < 0 || count > kMaxAppRules) {
        why = "Count=" + std::to_string(count) + " is not 0 to " + std::to_string(kMaxAppRules);
        return false;
    }
    const int set = ini.GetInt("Rules", "DefaultSet", 1);
    if (set < 1 || set > kKeySetCount) {
        why = "DefaultSet=" + std::to_string(set) + " is not a key set";
        return false;
    }
    out.defaultSet = set - 1;
    out.paused = ini.GetInt("Rules", "Paused", 0) != 0;
    for (int i = 1; i <= count; ++i) {
        const std::string section = "Rule" + std::to_string(i);
        AppRule r;
        // One byte over the limit tells an over-long name from one that fits.
        r.app = ini.GetString(section, "App", "", kMaxRuleAppChars + 1);
        r.keySet = ini.GetInt(section, "KeySet", 0) - 1;
        r.dpiStage = ini.HasKey(section, "Stage") ? ini.GetInt(section, "Stage", 0) - 1 : -1;
        if (!out.Put(r)) {
            why = "rule " + std::to_string(i) + " is not a usable rule";
            return false;
        }
    }
    return true;
}

RulesStore RulesFileStore(const std::string& path) {
    return {[path] { return LoadAppRules(path); },
            [path](const AppRules& rules) { return SaveAppRules(rules, path); }};
}

RulesImport TakeRulesBeside(const std::string& profilePath, const RulesStore& store,
                            const std::function<bool(int userRules, int fileRules)>& replace) {
    RulesImport r;
    r.file = RulesFileBeside(profilePath);
    if (!platform::PathExists(r.file)) return r;
    AppRules incoming;
    std::string why;
    if (!ReadRulesFile(r.file, incoming, why)) {
        g_pfnLog("TakeRulesBeside: %s refused: %s", r.file.c_str(), why.c_str());
        r.outcome = RulesImport::Outcome::kDamaged;
        r.message = "the rules by application in " + r.file + " were not taken (" + why + ")";
        return r;
    }
    r.fileRules = static_cast<int>(incoming.rules.size());
    if (r.fileRules == 0) return r;
    const AppRules current = store.load();
    r.userRules = static_cast<int>(current.rules.size());
    if (r.userRules > 0 && !(replace && replace(r.userRules, r.fileRules))) {
        r.outcome = RulesImport::Outcome::kKept;
        r.message = "kept the data folder's " + RulesCount(r.userRules) + "; the " +
                    RulesCount(r.fileRules) + " in " + r.file +
                    (r.fileRules == 1 ? " was" : " were") + " not taken (--rules replaces them)";
        return r;
    }
    // Whether windows are watched at all is this computer's choice.
    incoming.paused = current.paused;
    if (!store.save(incoming)) {
        g_pfnLog("TakeRulesBeside: the rules could not be stored");
        r.outcome = RulesImport::Outcome::kNotSaved;
        r.message = "the rules by application in " + r.file +
                    " were not taken: the data folder's rules file could not be written";
        return r;
    }
    r.outcome = r.userRules > 0 ? RulesImport::Outcome::kReplaced : RulesImport::Outcome::kTaken;
    r.message = RulesCount(r.fileRules) + " taken from " + r.file;
    if (r.userRules > 0)
        r.message += ", replacing the " + std::to_string(r.userRules) +
                     (r.userRules == 1 ? " there was" : " there were");
    g_pfnLog("TakeRulesBeside: %d rules taken from %s", r.fileRules, r.file.c_str());
    return r;
}

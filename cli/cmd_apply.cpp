// mivora-cli apply | restore | export FILE.zqa | import FILE.zqa: the window's whole-profile
// actions.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli.h"
#include "cli/profile_command.h"
#include "config/device_model.h"
#include "core/paths.h"
#include "device/session_state.h"
#include "platform/terminal.h"
#include "profile/apply_thread.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_export.h"
#include "profile/profile_list.h"
#include "profile/profile_restore.h"
#include "profile/rules_import.h"

int CmdApply(const CliOptions& opts, const std::vector<std::string>& args) {
    if (!args.empty()) return CliFail("usage: mivora-cli apply");
    ProfileCommand cmd(opts);
    // The stored profile as it is on disk (with the stage it was left on): the mouse is not
    // read first.
    if (int rc = cmd.Start(false)) return cmd.Finish(rc);
    return cmd.Finish(cmd.Apply(kImportApplyFlags, kApplyAll));
}

int CmdRestore(const CliOptions& opts, const std::vector<std::string>& args) {
    if (!args.empty()) return CliFail("usage: mivora-cli restore");
    ProfileCommand cmd(opts);
    if (int rc = cmd.Start(false)) return cmd.Finish(rc);
    if (ResetProfileToDefaults() < 0) return cmd.Finish(CliFail("no profile to restore"));
    return cmd.Finish(cmd.Apply(kRestoreApplyFlags | kApplyProgress, kApplyAll));
}

int CmdExport(const CliOptions& opts, const std::vector<std::string>& args) {
    if (args.size() != 1) return CliFail("usage: mivora-cli export FILE.zqa");
    ProfileCommand cmd(opts);
    // The attached mouse's profile, read as the window reads it; without a mouse the stored
    // profile of the last model, which may not be the mouse the user means: say whose it is.
    if (int rc = cmd.Start(true, ProfileCommand::Access::kMouseOrStored)) return cmd.Finish(rc);
    cmd.BeginApply();
    const int r = ExportProfile(args[0]);
    if (r != 1) return cmd.Finish(cmd.FailWithMessage("no profile to export"));
    if (!cmd.NoMouseReason().empty()) {
        const DeviceModel* m = pSensorCfg.load();
        std::fprintf(stderr, "mivora-cli: %s; exported the stored profile of cid %d, mid %d\n",
                     cmd.NoMouseReason().c_str(), m ? m->CID : 0, m ? m->MID : 0);
    }
    // Macro keys that did not fit the file.
    for (const std::string& m : cmd.NewMessages())
        std::fprintf(stderr, "mivora-cli: %s\n", platform::TerminalSafe(m, true).c_str());
    return cmd.Finish(0);
}

bool ParseImportArgs(const std::vector<std::string>& args, ImportArgs& out) {
    if (args.empty()) return false;
    out = ImportArgs{args[0]};
    for (size_t i = 1; i < args.size(); ++i) {
        bool* flag = args[i] == "--force"   ? &out.force
                     : args[i] == "--rules" ? &out.rules
                                            : nullptr;
        if (!flag || *flag) return false;
        *flag = true;
    }
    return true;
}

int CmdImport(const CliOptions& opts, const std::vector<std::string>& args) {
    ImportArgs words;
    if (!ParseImportArgs(args, words))
        return CliFail("usage: mivora-cli import FILE.zqa [--force] [--rules]");
    ProfileCommand cmd(opts);
    if (int rc = cmd.Start(true)) return cmd.Finish(rc);
    cmd.BeginApply();
    // --force takes a profile made for another model's sensor (its DPI values must still fit).
    if (ImportProfile(words.file, g_bProfileReady != 0, words.force) != 1)
        return cmd.Finish(cmd.FailWithMessage("the profile could not be imported"));
    if (int rc = cmd.WaitApplied()) return cmd.Finish(rc);
    // The rules file is named as the window names it when the command goes through it.
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(words.file, ec);
    const RulesImport rules = TakeRulesBeside(ec ? words.file : absolute.string(),
                                              RulesFileStore(g_szDataDir + kAppRulesFile),
                                              [&words](int, int) { return words.rules; });
    if (rules.Warning())
        std::fprintf(stderr, "mivora-cli: %s\n",
                     platform::TerminalSafe(rules.message, true).c_str());
    else if (!rules.message.empty())
        std::printf("%s\n", platform::TerminalSafe(rules.message, true).c_str());
    return cmd.Finish(0);
}

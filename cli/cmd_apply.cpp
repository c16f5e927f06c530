// mivora-cli apply | restore | export FILE.zqa | import FILE.zqa: the window's whole-profile
// actions.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/profile_command.h"
#include "device/session_state.h"
#include "profile/apply_thread.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_export.h"
#include "profile/profile_list.h"
#include "profile/profile_restore.h"

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
    // The stored profile is what the file gets; no mouse is needed.
    if (int rc = cmd.Start(false, ProfileCommand::Access::kStored)) return cmd.Finish(rc);
    cmd.BeginApply();
    const int r = ExportProfile(args[0]);
    if (r != 1) return cmd.Finish(cmd.FailWithMessage("no profile to export"));
    // Macro keys that did not fit the file.
    for (const std::string& m : cmd.NewMessages())
        std::fprintf(stderr, "mivora-cli: %s\n", m.c_str());
    return cmd.Finish(0);
}

int CmdImport(const CliOptions& opts, const std::vector<std::string>& args) {
    const bool force = args.size() == 2 && args[1] == "--force";
    if (args.size() != 1 && !force) return CliFail("usage: mivora-cli import FILE.zqa [--force]");
    ProfileCommand cmd(opts);
    if (int rc = cmd.Start(true)) return cmd.Finish(rc);
    cmd.BeginApply();
    // --force takes a profile made for another model's sensor (its DPI values must still fit).
    if (ImportProfile(args[0], g_bProfileReady != 0, force) != 1)
        return cmd.Finish(cmd.FailWithMessage("the profile could not be imported"));
    return cmd.Finish(cmd.WaitApplied());
}

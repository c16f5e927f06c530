// mivora-cli read [--json]: identify the mouse, load its stored profile, read the mouse into it
// and print the result.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/profile_command.h"
#include "config/device_model.h"
#include "profile/profile_defaults.h"
#include "profile/profile_json.h"
#include "profile/profile_list.h"

int CmdRead(const CliOptions& opts, const std::vector<std::string>& args) {
    bool json = false;
    for (const auto& a : args) {
        if (a == "--json")
            json = true;
        else
            return CliFail("usage: mivora-cli read [--json]");
    }
    ProfileCommand cmd(opts);
    if (int rc = cmd.Start(true, ProfileCommand::Access::kReads)) return cmd.Finish(rc);
    // What the read found wrong ("Read invalidate dpi").
    for (const std::string& message : cmd.NewMessages())
        std::fprintf(stderr, "mivora-cli: %s\n", message.c_str());
    const DeviceModel* m = pSensorCfg.load();
    auto rec = g_ProfileList.Snapshot();
    if (!rec || !m) return cmd.Finish(CliFail("no profile"));
    const int stage = g_nCurDpiLevel.load();
    if (json)
        std::printf("%s\n", ProfileJson(*m, *rec, stage).c_str());
    else
        std::fputs(ProfileText(*m, *rec, stage).c_str(), stdout);
    return cmd.Finish(0);
}

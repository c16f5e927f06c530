// mivora-cli keyset [N]: the three key sets of the profile. Without N: which one is current and
// what each holds. With N (1..3): the mouse switches to key set N, writing only what differs.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/profile_command.h"
#include "config/device_model.h"
#include "macro/key_names.h"
#include "platform/terminal.h"
#include "profile/key_set_switch.h"
#include "profile/profile_list.h"

namespace {

constexpr const char* kUsage = "usage: mivora-cli keyset [1|2|3]";

void PrintKeySets(const DeviceModel& m, const ProfileRecord& r) {
    const int current = r.KeySetIndex();
    const int keys = std::clamp(m.KeyCount, 0, kKeysPerSet);
    std::printf("current key set %d\n", current + 1);
    for (int s = 0; s < kKeySets; ++s) {
        std::string line;
        for (int k = 0; k < keys; ++k) {
            if (k) line += ", ";
            line += KeyFunctionLabel(r.keys[s][k]);
        }
        std::printf("%c %d: %s\n", s == current ? '*' : ' ', s + 1,
                    platform::TerminalSafe(line).c_str());
    }
}

}  // namespace

int CmdKeySet(const CliOptions& opts, const std::vector<std::string>& args) {
    if (args.size() > 1) return CliFail(kUsage);
    long number = 0;
    if (args.size() == 1 && !ParseIntArg(args[0], 1, kKeySets, number))
        return CliFail("the key set is 1, 2 or 3, not '" + args[0] + "'");
    ProfileCommand cmd(opts);
    if (number == 0) {
        // The mouse holds the current set: it is read into it, as read does.
        if (int rc = cmd.Start(true, ProfileCommand::Access::kReads)) return cmd.Finish(rc);
        const DeviceModel* m = pSensorCfg.load();
        const auto rec = g_ProfileList.Snapshot();
        if (!rec || !m) return cmd.Finish(CliFail("no profile"));
        PrintKeySets(*m, *rec);
        return cmd.Finish(0);
    }
    if (int rc = cmd.Start(true)) return cmd.Finish(rc);
    cmd.BeginApply();
    if (!SwitchKeySet(static_cast<int>(number) - 1)) return cmd.Finish(CliFail("no profile"));
    if (int rc = cmd.WaitApplied()) return cmd.Finish(rc);
    std::printf("key set %ld is current; the mouse holds it\n", number);
    return cmd.Finish(0);
}

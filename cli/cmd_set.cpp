// mivora-cli set ...: one change of the profile, written to the mouse through the apply path of
// the matching window action (applied at once, whatever "ApplyNow" says).
//   set dpi STAGE X [Y] | set stage STAGE | set rate HZ [--bluetooth]
//   set light MODE [--color RRGGBB] [--speed N] [--brightness N] | set key INDEX FUNCTION
// The words are read in profile/set_command, which the bus service shares.
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/profile_command.h"
#include "profile/set_command.h"

int CmdSet(const CliOptions& opts, const std::vector<std::string>& args) {
    if (args.empty()) return CliFail(SetUsage());
    ProfileCommand cmd(opts);
    if (int rc = cmd.Start(true)) return cmd.Finish(rc);
    return cmd.Finish(RunSetCommand(cmd, args));
}

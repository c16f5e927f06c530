// Starting another program without waiting for it, and restarting this one.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

// The full path of an executable program of that name in $PATH; empty when there is none.
std::string FindInPath(const std::string& program);

// Starts argv[0] (looked up in $PATH) with the other arguments, standard input from /dev/null.
// Returns its process id, or -1 when it could not be started.
int StartProgram(const std::vector<std::string>& argv);
// Whether the program ended: 1 with its exit status in *status (-1 when a signal ended it),
// 0 while it runs, -1 for an id that is no child of ours (already reaped).
int ProgramEnded(int pid, int* status);
// Ends a program started here (SIGTERM) and waits for it.
void StopProgram(int pid);

// Replaces this process by a new run of its own executable with argv (argv[0] included) and
// the environment variables set to the values given. Returns only when that failed.
void RestartSelf(const std::vector<std::string>& argv,
                 const std::vector<std::pair<std::string, std::string>>& environment);

}  // namespace platform

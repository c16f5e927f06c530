// Private folders that live for one run of the program (a screenshot run's copy of the data
// folder): named after the process, so a later run can tell a killed run's folder from a live one.
#pragma once

#include <string>

namespace platform {

// Creates "<parent>/<prefix><pid>-<random>" with mode 0700; "" (err set) when it cannot.
std::string MakeRunFolder(const std::string& parent, const std::string& prefix, int* err = nullptr);
// Removes, with everything in them, the folders MakeRunFolder made under parent with this prefix
// whose process has ended. Returns how many went.
int RemoveStaleRunFolders(const std::string& parent, const std::string& prefix);

// Removes a run folder when it goes out of scope.
class RunFolderGuard {
  public:
    explicit RunFolderGuard(std::string path) : m_path(std::move(path)) {}
    ~RunFolderGuard();
    RunFolderGuard(const RunFolderGuard&) = delete;
    RunFolderGuard& operator=(const RunFolderGuard&) = delete;

  private:
    std::string m_path;
};

}  // namespace platform

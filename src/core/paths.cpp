#include "core/paths.h"

#include "core/log.h"
#include "platform/files.h"
#include "platform/user_dirs.h"

std::string g_szAppDir;
std::string g_szDataDir;

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

bool InitAppDir() {
    std::string dir = platform::ExecutableDir();
    if (dir.empty()) return false;
    g_szAppDir = WithSlash(dir);
    return true;
}

void InitDataDir(const std::string& appdirName, bool macPathInAppDir) {
    std::string base = macPathInAppDir ? g_szAppDir : WithSlash(platform::DataHomeDir());
    g_szDataDir = WithSlash(base + appdirName);
    g_pfnLog("Mk AppData=%s", g_szDataDir.c_str());
    int err = 0;
    if (!platform::MakeDirs(g_szDataDir, &err)) g_pfnLog("CreateDirectory err=%d", err);
}

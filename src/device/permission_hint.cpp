#include "device/permission_hint.h"

#include "core/paths.h"
#include "platform/child_process.h"
#include "platform/files.h"

namespace {

// Single-quoted for the shell: the program folder may hold spaces or quotes.
std::string ShellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

}  // namespace

PermissionAdvice CurrentPermissionAdvice(const std::string& root) {
    PermissionAdvice advice;
    for (const char* dir : kUdevRuleDirs)
        if (platform::FileExists(root + dir + kUdevRuleFile)) advice.ruleInPlace = true;
    advice.haveSudo = !platform::FindInPath("sudo").empty();
    advice.havePkexec = !platform::FindInPath("pkexec").empty();
    return advice;
}

std::string UdevRuleCommands(const std::string& separator, bool withSudo) {
    const std::string sudo = withSudo ? "sudo " : "";
    return sudo + "install -m 644 " + ShellQuoted(g_szAppDir + kUdevRuleFile) +
           " /etc/udev/rules.d/" + separator + sudo + "udevadm control --reload" + separator +
           sudo + "udevadm trigger --subsystem-match=hidraw";
}

std::string UdevRuleInstallScript() {
    return "install -m 644 " + ShellQuoted(g_szAppDir + kUdevRuleFile) +
           " /etc/udev/rules.d/ && udevadm control --reload && "
           "udevadm trigger --subsystem-match=hidraw && udevadm settle --timeout=10";
}

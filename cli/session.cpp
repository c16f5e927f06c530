#include "cli/session.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/paths.h"
#include "device/device_discovery.h"
#include "device/permission_hint.h"
#include "platform/files.h"
#include "platform/hidraw_backend.h"
#include "sim/virtual_mouse.h"

namespace {

// A lossy link loses an identification reply like any other: the search is made a few times
// within a bounded time, as the window searches again every 3 s, before no mouse is reported.
constexpr int kSearchTries = 6;
constexpr int kSearchBudgetMs = 8000;
constexpr int kSearchPauseMs = 200;

}  // namespace

CliSession::CliSession(const CliOptions& opts) : m_opts(opts) {}

CliSession::~CliSession() {
    m_link.reset();  // stops the reader and closes the handles before the backend goes
    m_backend.reset();
}

int CliSession::Init() {
    if (!InitAppDir()) return CliFail("cannot find the program folder");
    LoadUiTexts(g_szAppDir + "text.xml");
    if (!LoadConfig(g_szAppDir))
        return CliFail("Data Init failed: the models in cfg.ini are invalid");

    if (!m_opts.dataDir.empty()) {
        g_szDataDir = WithSlash(m_opts.dataDir);
        if (!platform::MakeDirs(g_szDataDir))
            return CliFail("cannot create the data folder " + g_szDataDir);
    } else {
        InitDataDir(g_Config.appdir, g_Config.MacPath == 1);
    }

    if (m_opts.virtualMouse) {
        sim::VirtualMouseOptions v;
        v.file = m_opts.virtualFile;
        v.cid = m_opts.virtualCid;
        v.mid = m_opts.virtualMid;
        v.link = m_opts.virtualLink;
        v.faults = m_opts.virtualFaults;
        std::string error;
        auto backend = sim::MakeVirtualBackend(v, error);
        if (!backend) return CliFail(error);
        m_virtual = backend.get();
        m_backend = std::move(backend);
    } else {
        auto hidraw = std::make_unique<platform::HidrawBackend>(
            m_opts.sysfsRoot.empty() ? platform::kHidrawSysRoot : m_opts.sysfsRoot,
            m_opts.devRoot.empty() ? platform::kHidrawDevRoot : m_opts.devRoot);
        m_hidraw = hidraw.get();
        m_backend = std::move(hidraw);
    }
    m_link = std::make_unique<CUSBDriver>(*m_backend, &m_sink);
    return 0;
}

int CliSession::Search() {
    const auto start = std::chrono::steady_clock::now();
    for (int t = 1;; ++t) {
        const int found = FindDev(*m_link);
        // Found, or nothing another search could change: several mice, no interface of the
        // vendor at all, or interfaces we may not open.
        if (found != 0 || m_link->m_nDevNum.load() == 0 || m_link->m_nOpenDenied.load() > 0)
            return found;
        const auto spent = std::chrono::steady_clock::now() - start;
        if (t >= kSearchTries || spent + std::chrono::milliseconds(kSearchPauseMs) >=
                                     std::chrono::milliseconds(kSearchBudgetMs))
            return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(kSearchPauseMs));
    }
}

std::string CliSession::SearchFailure(int found) {
    if (found >= 2)
        return std::to_string(found) +
               " mice answered; connect only one mouse of this product line";
    if (m_link->m_nOpenDenied.load() > 0) {
        const PermissionAdvice advice = CurrentPermissionAdvice();
        if (advice.ruleInPlace)
            return "no permission to open the mouse's hidraw nodes, although the udev rule is "
                   "installed: plug the receiver in again, or log out and in again (access goes "
                   "to the user at the active seat, not to a login over SSH)";
        if (!advice.haveSudo)
            return "no permission to open the mouse's hidraw nodes; as root (su -, or from an "
                   "administrator's account) install the udev rule with: " +
                   UdevRuleCommands(" && ", false) + " ; then plug the receiver in again";
        return "no permission to open the mouse's hidraw nodes; install the udev rule with: " +
               UdevRuleCommands(" && ") + " ; then plug the receiver in again";
    }
    char vid[8];
    std::snprintf(vid, sizeof vid, "%04x", static_cast<unsigned>(g_Config.VID));
    return std::string("no mouse found (vendor id ") + vid + ")";
}

int CliSession::FindOneMouse() {
    const int found = Search();
    if (found == 1) return 0;
    return CliFail(SearchFailure(found));
}

#include "ui/app_focus.h"

#include <QCoreApplication>

#include "core/log.h"
#include "core/messages.h"
#include "core/paths.h"
#include "platform/desktop_session.h"
#include "profile/focus_switcher_mouse.h"

std::unique_ptr<FocusWatch> MakeAppFocusWatch(MessageSink* sink) {
    auto onStage = [sink](int stage) {
        sink->Post(WM_DEVICE_BEHAVIOR, static_cast<uintptr_t>(stage), 1);
    };
    auto mouse = MouseSwitchFn(kFocusSwitchWaitMs, onStage);
    auto fn = [sink, mouse](const SwitchTarget& t) {
        const bool ok = mouse(t);
        sink->Post(kShowProfileMsg, 0, 0);
        return ok;
    };
    auto source = platform::MakeSystemFocusSource(platform::CurrentSessionFacts());
    auto watch = std::make_unique<FocusWatch>(g_szDataDir + kAppRulesFile, std::move(source), fn,
                                              platform::OwnProcessId(),
                                              QCoreApplication::applicationName().toStdString());
    g_pfnLog("%s", FocusStatusLine(watch->SourceName(), watch->Rules()).c_str());
    return watch;
}

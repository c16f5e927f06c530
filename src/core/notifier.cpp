#include "core/notifier.h"

#include <cstdio>

#include "core/log.h"

namespace {

class StderrNotifier : public Notifier {
public:
    int Show(const std::string& text, const std::string& caption, unsigned) override {
        g_pfnLog("%s: %s", caption.c_str(), text.c_str());
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return IDOK;
    }
};

StderrNotifier g_defaultNotifier;

}  // namespace

Notifier* g_pNotifier = &g_defaultNotifier;

Notifier* SetNotifier(Notifier* n) {
    Notifier* old = g_pNotifier;
    g_pNotifier = n ? n : &g_defaultNotifier;
    return old;
}

// Keeps fuzz targets quiet: user messages and log lines go nowhere, so each input costs no I/O.
#pragma once

#include <string>

#include "core/log.h"
#include "core/notifier.h"

class QuietNotifier : public Notifier {
  public:
    int Show(const std::string&, const std::string&, unsigned) override { return IDOK; }
};

inline void MakeFuzzQuiet() {
    static QuietNotifier quiet;
    SetNotifier(&quiet);
    SetLogFilePath("/dev/null");
    SetLogDebugOutput([](const char*) {});
}

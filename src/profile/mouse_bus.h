// The mouse on the session bus: what the service the window runs publishes and does, in engine
// terms. Properties are read from the engine's state; changing methods run on a worker of their
// own that waits for the apply thread, and are answered on the bus's thread, so the window never
// waits for the mouse. Names and types are described in docs/dbus.md.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/notifier.h"
#include "device/usb_driver.h"
#include "platform/dbus_service.h"
#include "profile/rules_import.h"

constexpr const char* kBusName = "io.mivora.Mivora1";
constexpr const char* kBusPath = "/io/mivora/Mivora1/mouse0";
constexpr const char* kBusInterface = "io.mivora.Mivora1.Mouse";
// Errors: another change is being written; no mouse (or its settings are still being read);
// the request was refused or the mouse did not take it.
constexpr const char* kBusErrorBusy = "io.mivora.Mivora1.Error.Busy";
constexpr const char* kBusErrorNoMouse = "io.mivora.Mivora1.Error.NoMouse";
constexpr const char* kBusErrorFailed = "io.mivora.Mivora1.Error.Failed";

class MouseBus {
  public:
    struct Host {
        CUSBDriver* link = nullptr;
        // Runs fn soon on the thread that runs the bus (the window's); safe from any thread.
        std::function<void(std::function<void()>)> post;
        // On the bus's thread after the mouse took a change made over the bus: show it.
        std::function<void()> changed;
        // The data folder's rules by application as the program keeps them, used on the bus's
        // thread; without it, the rules file itself. rulesChanged tells the window they did.
        RulesStore rules;
        std::function<void()> rulesChanged;
    };
    MouseBus(platform::DbusService& bus, Host host);
    // Waits for a change in flight (the apply thread finishes it) before going.
    ~MouseBus();
    MouseBus(const MouseBus&) = delete;
    MouseBus& operator=(const MouseBus&) = delete;

    // Exports the object; false with why.
    bool Export(std::string& error);
    // Announces every property whose value moved since the last call (PropertiesChanged), and
    // DpiStageChanged when the stage did. On the bus's thread.
    void Refresh();

  private:
    // What a changing method ended with: 0, or 1 with error; notices are the user messages of
    // a request that succeeded.
    struct Outcome {
        int rc = 0;
        std::string error;
        std::string errorName;
        std::string output;  // what mivora-cli prints on standard output
        std::vector<std::string> notices;
        // Runs on the bus's thread before a success is answered (what the window's own state
        // holds may change only there).
        std::function<void(Outcome&)> finish;
    };
    // Records user messages while a bus request runs: they are the caller's answer, not boxes
    // in the window.
    class Capture : public Notifier {
      public:
        int Show(const std::string& text, const std::string& caption, unsigned buttons) override;
        Notifier* previous = nullptr;
        std::atomic<bool> on{false};
        std::mutex mutex;
        std::vector<std::string> messages;
    };
    class Target;

    platform::DbusInterface Describe();
    // Why a request cannot be carried out now ("" when it can), with the error's name.
    std::string Unavailable(std::string& errorName, bool changing) const;
    // Starts job on the worker for call, unless the mouse is busy or absent.
    void RunChange(platform::DbusCallPtr call, std::function<Outcome(Target&)> job);
    std::vector<platform::DbusValue> Values() const;
    // Import of a profile file, then the rules beside it (replaced only with replaceRules).
    void RunImport(platform::DbusCallPtr call, const std::string& file, bool force,
                   bool replaceRules);

    platform::DbusService& m_bus;
    Host m_host;
    Capture m_capture;
    std::thread m_worker;
    platform::DbusCallPtr m_pending;  // the change in flight (bus thread only)
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::vector<std::string> m_names;              // the properties, in Values() order
    std::vector<platform::DbusValue> m_announced;  // their values at the last Refresh
    int m_announcedStage = -1;
};

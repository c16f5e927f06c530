// GNOME on Wayland: the Shell tells no other program which window is in front, so the package
// ships a Shell extension that calls the program's focus object. Either side may start first:
// the extension watches the program's name and reports when it appears, and the program asks
// (the Resend signal) when it starts or when the Shell comes (back).
#include <string>

#include "platform/dbus_service.h"
#include "platform/focus_bus_receiver.h"

namespace platform {

namespace {

class GnomeFocusSource : public BusFocusSource {
  public:
    explicit GnomeFocusSource(std::string address)
        : BusFocusSource(std::move(address), "org.gnome.Shell") {}
    ~GnomeFocusSource() override { Stop(); }
    const char* Name() const override { return "GNOME Shell"; }

  protected:
    bool OnPeer(DbusService& service) override {
        // Without the extension nobody listens; the source waits all the same, so enabling the
        // extension later is enough.
        service.Emit(kFocusBusPath, kFocusBusInterface, "Resend", {});
        return true;
    }
};

}  // namespace

std::unique_ptr<FocusSource> MakeGnomeFocusSource(const std::string& address) {
    return std::make_unique<GnomeFocusSource>(address);
}

}  // namespace platform

// The program's side of the focus sources that run inside the compositor (a KWin script, a GNOME
// Shell extension): a name and object of its own on the session bus, served from the source's
// own thread, that takes the window in front only from the compositor's own connection.
#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/dbus_client.h"
#include "platform/focus_source.h"
#include "platform/stop_pipe.h"

namespace platform {

class DbusService;

constexpr const char* kFocusBusName = "io.mivora.Mivora1.Focus";
constexpr const char* kFocusBusPath = "/io/mivora/Mivora1/focus";
constexpr const char* kFocusBusInterface = "io.mivora.Mivora1.Focus";

// The window from the five texts of an Activated call: X11 class, X11 instance, app id, pid as
// decimal text, title. Every text is bounded; a pid that is not a plain positive number is 0.
// All empty is nothing in front.
FocusedWindow FocusedWindowFromBus(const std::vector<DbusValue>& args);

class BusFocusSource : public FocusSource {
  public:
    ~BusFocusSource() override;
    bool Start(Callback onFocus) override;
    void Stop() override;

  protected:
    // address "" is the session bus; only calls from peerName's owner are taken.
    BusFocusSource(std::string address, std::string peerName);
    // The compositor's side came up (at Start when it is already there, then on the source's
    // thread each time the peer's name gets a new owner). False at Start: no source.
    virtual bool OnPeer(DbusService& service) = 0;
    // Called by Stop once the thread has ended, before the name is given up. A derived class
    // calls Stop in its own destructor so this still reaches it.
    virtual void OnStop() {}
    // A client connection on the same bus for calls to the peer; valid between Start and Stop.
    DbusConnection& Client() { return *m_client; }
    const std::string& PeerOwner() const { return m_peerOwner; }

  private:
    void Run();

    std::string m_address;
    std::string m_peerName;
    std::string m_peerOwner;  // the unique name allowed to call, "" while the peer is away
    std::unique_ptr<DbusService> m_service;
    std::unique_ptr<DbusConnection> m_client;
    StopPipe m_stop;
    Callback m_onFocus;
    std::thread m_thread;
};

}  // namespace platform

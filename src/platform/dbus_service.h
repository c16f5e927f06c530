// The service side of the D-Bus wrapper, on sd-bus: a well-known name, objects with methods,
// properties and signals (introspection and org.freedesktop.DBus.Properties come with them),
// and method calls answered later, so a call that waits for the mouse never blocks the loop.
// Everything here runs on the one thread that calls Process (the window's).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbus_client.h"

struct sd_bus;
struct sd_bus_message;

namespace platform {

// One method call waiting for its answer. The handler keeps it (a shared pointer) as long as
// it needs; a call dropped unanswered gets a "no reply" error so the caller never hangs.
class DbusCall {
  public:
    DbusCall(sd_bus_message* message, std::vector<DbusValue> args);
    ~DbusCall();
    DbusCall(const DbusCall&) = delete;
    DbusCall& operator=(const DbusCall&) = delete;

    const std::vector<DbusValue>& Args() const { return m_args; }
    // The caller's unique connection name (":1.42"), "" when the bus gave none.
    const std::string& Sender() const { return m_sender; }
    // Answers with the values (matching the method's out signature); once only.
    void Reply(const std::vector<DbusValue>& values);
    // Answers with a D-Bus error: name such as "io.example.Error.Busy", message for people.
    void Fail(const std::string& name, const std::string& message);
    bool Answered() const { return m_message == nullptr; }

  private:
    sd_bus_message* m_message;
    std::vector<DbusValue> m_args;
    std::string m_sender;
};
using DbusCallPtr = std::shared_ptr<DbusCall>;

struct DbusMethod {
    std::string name;
    std::string in;                     // made of s, b, i, as
    std::string out;                    // "" or made of s, b, i, as
    std::vector<std::string> argNames;  // in arguments, then out arguments
    std::function<void(DbusCallPtr)> run;
};

struct DbusProperty {
    std::string name;
    std::string type;  // b, i, d, s, as, a(ii)
    std::function<DbusValue()> get;
};

struct DbusSignal {
    std::string name;
    std::string type;  // made of s, b, i
    std::vector<std::string> argNames;
};

struct DbusInterface {
    std::string path;
    std::string name;
    std::vector<DbusMethod> methods;
    std::vector<DbusProperty> properties;  // read-only, each announced by PropertiesChanged
    std::vector<DbusSignal> events;        // D-Bus signals ("signals" is a Qt word)
};

class DbusService {
  public:
    // The session bus (DBUS_SESSION_BUS_ADDRESS, else the user bus); null with why.
    static std::unique_ptr<DbusService> OpenSession(std::string& error);
    // A bus at an address such as "unix:path=/tmp/bus".
    static std::unique_ptr<DbusService> OpenAddress(const std::string& address, std::string& error);
    ~DbusService();
    DbusService(const DbusService&) = delete;
    DbusService& operator=(const DbusService&) = delete;

    // Takes the well-known name; false (with why) when another program owns it.
    bool RequestName(const std::string& name, std::string& error);
    // Exports the interface at its path; it must not change afterwards.
    bool Export(DbusInterface iface, std::string& error);

    // What the owner's event loop watches: the descriptor, the poll events it waits for, and the
    // time in ms until Process is due anyway (-1: none).
    int Fd() const;
    int Events() const;
    int TimeoutMs() const;
    // Handles everything that arrived; call when Fd is ready or TimeoutMs passed.
    void Process();

    // The unique name of the name's owner now, "" when it has none.
    std::string NameOwner(const std::string& name);
    // Calls fn(newOwner) from Process whenever the name changes hands ("" when it lost its
    // owner). Stays for the service's life.
    bool WatchNameOwner(const std::string& name, std::function<void(const std::string&)> fn);

    // Signal with the values (matching the signal's type).
    bool Emit(const std::string& path, const std::string& iface, const std::string& name,
              const std::vector<DbusValue>& values);
    // org.freedesktop.DBus.Properties.PropertiesChanged with the new values of names.
    bool EmitPropertiesChanged(const std::string& path, const std::string& iface,
                               const std::vector<std::string>& names);

    struct Exported;  // one exported interface (inside the .cpp)

  private:
    explicit DbusService(sd_bus* bus);

    struct NameWatch;

    sd_bus* m_bus;
    std::vector<std::unique_ptr<Exported>> m_exported;
    std::vector<std::unique_ptr<NameWatch>> m_watches;
};

// Appends values of the signature's types to a message (also used for replies).
int AppendDbusValues(sd_bus_message* m, const std::string& signature,
                     const std::vector<DbusValue>& values);
// Reads values of the signature's types (s, b, i, as) from a message.
int ReadDbusValues(sd_bus_message* m, const std::string& signature, std::vector<DbusValue>& out);

}  // namespace platform

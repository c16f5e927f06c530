// The one small D-Bus client of the engine, on sd-bus: properties of other programs' objects,
// a few method calls and the signals that tell a desktop its settings changed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

struct sd_bus;
struct sd_bus_message;

namespace platform {

// The value types the callers need (D-Bus b, i, d, s, as, a(ii)).
using DbusIntPairs = std::vector<std::pair<int32_t, int32_t>>;
using DbusValue =
    std::variant<bool, int32_t, double, std::string, std::vector<std::string>, DbusIntPairs>;

struct DbusObject {
    std::string service;
    std::string path;
    std::string interface;
};

class DbusConnection {
  public:
    // The session bus of this process (DBUS_SESSION_BUS_ADDRESS, else the user bus); null when
    // none answers.
    static std::unique_ptr<DbusConnection> OpenSession();
    // A bus at an address such as "unix:path=/tmp/bus" (a private bus in the tests).
    static std::unique_ptr<DbusConnection> OpenAddress(const std::string& address);
    ~DbusConnection();
    DbusConnection(const DbusConnection&) = delete;
    DbusConnection& operator=(const DbusConnection&) = delete;

    bool ListNames(std::vector<std::string>& names);
    bool GetProperty(const DbusObject& object, const char* name, DbusValue& value);
    bool SetProperty(const DbusObject& object, const char* name, const DbusValue& value);
    // A method whose arguments are strings then, when given, one variant; its reply is either
    // nothing or one variant (stored in reply when given).
    bool CallWithVariant(const DbusObject& object, const char* method,
                         const std::vector<std::string>& strings, const DbusValue* argument,
                         DbusValue* reply);
    // A method with arguments of the signature's types (s, b, i, as) whose answer is made of
    // the same types; false with LastError and LastErrorName when it failed. timeoutMs 0 is the
    // usual bound of a call.
    bool Call(const DbusObject& object, const char* method, const std::string& signature,
              const std::vector<DbusValue>& args, std::vector<DbusValue>& reply, int timeoutMs = 0);
    // A method with arguments of other types: append writes them to the request, read (when
    // given) takes the answer apart; each returns an sd-bus result (negative: failed). False with
    // LastError when the call failed.
    using MessageFn = std::function<int(sd_bus_message*)>;
    bool CallMessage(const DbusObject& object, const char* method, const MessageFn& append,
                     const MessageFn& read, int timeoutMs = 0);
    // Whether a program owns the name now.
    bool NameHasOwner(const std::string& name);
    // Signal (path, interface, member) with two int32 arguments.
    bool EmitTwoInts(const char* path, const char* interface, const char* member, int32_t a,
                     int32_t b);
    // Signal (path, interface, member) with one a{saay}: each group with its changed keys.
    bool EmitGroupKeys(const char* path, const char* interface, const char* member,
                       const std::vector<std::pair<std::string, std::vector<std::string>>>& groups);

    // The bus's message for the last failed call ("" when there was none).
    const std::string& LastError() const { return m_error; }
    // The D-Bus name of the last failed call's error ("" when the bus gave none).
    const std::string& LastErrorName() const { return m_errorName; }

  private:
    explicit DbusConnection(sd_bus* bus) : m_bus(bus) {}
    sd_bus* m_bus;
    std::string m_error;
    std::string m_errorName;
};

}  // namespace platform

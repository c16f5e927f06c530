#include "platform/dbus_client.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/dbus_service.h"

namespace platform {

namespace {

constexpr uint64_t kCallTimeoutUs = 2'000'000;  // a hung peer must not hold the apply thread

// Frees an sd-bus error and message at the end of a call.
struct CallScope {
    sd_bus_error error{};  // SD_BUS_ERROR_NULL, without the C compound literal
    sd_bus_message* reply = nullptr;
    sd_bus_message* request = nullptr;
    ~CallScope() {
        sd_bus_error_free(&error);
        sd_bus_message_unref(reply);
        sd_bus_message_unref(request);
    }
};

const char* Signature(const DbusValue& v) {
    switch (v.index()) {
        case 0:
            return "b";
        case 1:
            return "i";
        case 2:
            return "d";
        case 3:
            return "s";
        case 4:
            return "as";
        default:
            return "a(ii)";
    }
}

int AppendVariant(sd_bus_message* m, const DbusValue& v) {
    int r = sd_bus_message_open_container(m, 'v', Signature(v));
    if (r < 0) return r;
    if (const bool* b = std::get_if<bool>(&v)) {
        const int flag = *b ? 1 : 0;
        r = sd_bus_message_append_basic(m, 'b', &flag);
    } else if (const int32_t* i = std::get_if<int32_t>(&v)) {
        r = sd_bus_message_append_basic(m, 'i', i);
    } else if (const double* d = std::get_if<double>(&v)) {
        r = sd_bus_message_append_basic(m, 'd', d);
    } else if (const std::string* s = std::get_if<std::string>(&v)) {
        r = sd_bus_message_append_basic(m, 's', s->c_str());
    } else if (const DbusIntPairs* pairs = std::get_if<DbusIntPairs>(&v)) {
        r = sd_bus_message_open_container(m, 'a', "(ii)");
        for (const auto& [x, y] : *pairs)
            if (r >= 0) r = sd_bus_message_append(m, "(ii)", x, y);
        if (r >= 0) r = sd_bus_message_close_container(m);
    } else {
        std::vector<char*> strv;
        for (const std::string& item : std::get<std::vector<std::string>>(v))
            strv.push_back(const_cast<char*>(item.c_str()));
        strv.push_back(nullptr);
        r = sd_bus_message_append_strv(m, strv.data());
    }
    if (r < 0) return r;
    return sd_bus_message_close_container(m);
}

int ReadVariant(sd_bus_message* m, DbusValue& out) {
    char type = 0;
    const char* contents = nullptr;
    int r = sd_bus_message_peek_type(m, &type, &contents);
    if (r <= 0) return r < 0 ? r : -EBADMSG;
    if (type != 'v' || !contents) return -EBADMSG;
    r = sd_bus_message_enter_container(m, 'v', contents);
    if (r < 0) return r;
    if (std::strcmp(contents, "u") == 0) {
        uint32_t u = 0;
        r = sd_bus_message_read_basic(m, 'u', &u);
        if (u > INT32_MAX) return -ERANGE;
        out = static_cast<int32_t>(u);
    } else if (std::strcmp(contents, "d") == 0) {
        double d = 0;
        r = sd_bus_message_read_basic(m, 'd', &d);
        out = d;
    } else if (std::strcmp(contents, "b") == 0 || std::strcmp(contents, "i") == 0 ||
               std::strcmp(contents, "s") == 0 || std::strcmp(contents, "as") == 0) {
        // The types a method's arguments take too: read the same way.
        std::vector<DbusValue> one;
        r = ReadDbusValues(m, contents, one);
        if (r >= 0 && one.size() == 1) out = std::move(one.front());
    } else {
        return -EBADMSG;
    }
    if (r < 0) return r;
    return sd_bus_message_exit_container(m);
}

}  // namespace

std::unique_ptr<DbusConnection> DbusConnection::OpenSession() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return nullptr;
    sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
    return std::unique_ptr<DbusConnection>(new DbusConnection(bus));
}

std::unique_ptr<DbusConnection> DbusConnection::OpenAddress(const std::string& address) {
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) return nullptr;
    if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_start(bus) < 0) {
        sd_bus_unref(bus);
        return nullptr;
    }
    sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
    return std::unique_ptr<DbusConnection>(new DbusConnection(bus));
}

DbusConnection::~DbusConnection() {
    sd_bus_flush_close_unref(m_bus);
}

bool DbusConnection::ListNames(std::vector<std::string>& names) {
    char** acquired = nullptr;
    const int r = sd_bus_list_names(m_bus, &acquired, nullptr);
    if (r < 0) {
        m_error = std::strerror(-r);
        return false;
    }
    names.clear();
    for (char** p = acquired; p && *p; ++p) {
        names.emplace_back(*p);
        std::free(*p);
    }
    std::free(acquired);
    return true;
}

bool DbusConnection::GetProperty(const DbusObject& o, const char* name, DbusValue& value) {
    CallScope c;
    int r = sd_bus_call_method(m_bus, o.service.c_str(), o.path.c_str(),
                               "org.freedesktop.DBus.Properties", "Get", &c.error, &c.reply, "ss",
                               o.interface.c_str(), name);
    if (r >= 0) r = ReadVariant(c.reply, value);
    if (r < 0) m_error = c.error.message ? c.error.message : std::strerror(-r);
    return r >= 0;
}

bool DbusConnection::SetProperty(const DbusObject& o, const char* name, const DbusValue& value) {
    CallScope c;
    int r = sd_bus_message_new_method_call(m_bus, &c.request, o.service.c_str(), o.path.c_str(),
                                           "org.freedesktop.DBus.Properties", "Set");
    if (r >= 0) r = sd_bus_message_append(c.request, "ss", o.interface.c_str(), name);
    if (r >= 0) r = AppendVariant(c.request, value);
    if (r >= 0) r = sd_bus_call(m_bus, c.request, 0, &c.error, &c.reply);
    if (r < 0) m_error = c.error.message ? c.error.message : std::strerror(-r);
    return r >= 0;
}

bool DbusConnection::CallWithVariant(const DbusObject& o, const char* method,
                                     const std::vector<std::string>& strings,
                                     const DbusValue* argument, DbusValue* reply) {
    CallScope c;
    int r = sd_bus_message_new_method_call(m_bus, &c.request, o.service.c_str(), o.path.c_str(),
                                           o.interface.c_str(), method);
    for (const std::string& s : strings)
        if (r >= 0) r = sd_bus_message_append_basic(c.request, 's', s.c_str());
    if (r >= 0 && argument) r = AppendVariant(c.request, *argument);
    if (r >= 0) r = sd_bus_call(m_bus, c.request, 0, &c.error, &c.reply);
    if (r >= 0 && reply) r = ReadVariant(c.reply, *reply);
    if (r < 0) m_error = c.error.message ? c.error.message : std::strerror(-r);
    return r >= 0;
}

bool DbusConnection::Call(const DbusObject& o, const char* method, const std::string& signature,
                          const std::vector<DbusValue>& args, std::vector<DbusValue>& reply,
                          int timeoutMs) {
    CallScope c;
    int r = sd_bus_message_new_method_call(m_bus, &c.request, o.service.c_str(), o.path.c_str(),
                                           o.interface.c_str(), method);
    if (r >= 0) r = AppendDbusValues(c.request, signature, args);
    const uint64_t usec = timeoutMs > 0 ? static_cast<uint64_t>(timeoutMs) * 1000 : 0;
    if (r >= 0) r = sd_bus_call(m_bus, c.request, usec, &c.error, &c.reply);
    reply.clear();
    if (r >= 0) {
        const char* got = sd_bus_message_get_signature(c.reply, 1);
        r = ReadDbusValues(c.reply, got ? got : "", reply);
    }
    m_errorName = r < 0 && c.error.name ? c.error.name : "";
    if (r < 0) m_error = c.error.message ? c.error.message : std::strerror(-r);
    return r >= 0;
}

bool DbusConnection::CallMessage(const DbusObject& o, const char* method, const MessageFn& append,
                                 const MessageFn& read, int timeoutMs) {
    CallScope c;
    int r = sd_bus_message_new_method_call(m_bus, &c.request, o.service.c_str(), o.path.c_str(),
                                           o.interface.c_str(), method);
    if (r >= 0) r = append(c.request);
    const uint64_t usec = timeoutMs > 0 ? static_cast<uint64_t>(timeoutMs) * 1000 : 0;
    if (r >= 0) r = sd_bus_call(m_bus, c.request, usec, &c.error, &c.reply);
    if (r >= 0 && read) r = read(c.reply);
    m_errorName = r < 0 && c.error.name ? c.error.name : "";
    if (r < 0) m_error = c.error.message ? c.error.message : std::strerror(-r);
    return r >= 0;
}

bool DbusConnection::NameHasOwner(const std::string& name) {
    CallScope c;
    int owned = 0;
    int r = sd_bus_call_method(m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", &c.error, &c.reply, "s",
                               name.c_str());
    if (r >= 0) r = sd_bus_message_read_basic(c.reply, 'b', &owned);
    return r >= 0 && owned != 0;
}

bool DbusConnection::EmitTwoInts(const char* path, const char* interface, const char* member,
                                 int32_t a, int32_t b) {
    int r = sd_bus_emit_signal(m_bus, path, interface, member, "ii", a, b);
    if (r >= 0) r = sd_bus_flush(m_bus);
    if (r < 0) m_error = std::strerror(-r);
    return r >= 0;
}

bool DbusConnection::EmitGroupKeys(
    const char* path, const char* interface, const char* member,
    const std::vector<std::pair<std::string, std::vector<std::string>>>& groups) {
    CallScope c;
    int r = sd_bus_message_new_signal(m_bus, &c.request, path, interface, member);
    if (r >= 0) r = sd_bus_message_open_container(c.request, 'a', "{saay}");
    for (const auto& [group, keys] : groups) {
        if (r >= 0) r = sd_bus_message_open_container(c.request, 'e', "saay");
        if (r >= 0) r = sd_bus_message_append_basic(c.request, 's', group.c_str());
        if (r >= 0) r = sd_bus_message_open_container(c.request, 'a', "ay");
        for (const std::string& key : keys)
            if (r >= 0) r = sd_bus_message_append_array(c.request, 'y', key.data(), key.size());
        if (r >= 0) r = sd_bus_message_close_container(c.request);
        if (r >= 0) r = sd_bus_message_close_container(c.request);
    }
    if (r >= 0) r = sd_bus_message_close_container(c.request);
    if (r >= 0) r = sd_bus_send(m_bus, c.request, nullptr);
    if (r >= 0) r = sd_bus_flush(m_bus);
    if (r < 0) m_error = std::strerror(-r);
    return r >= 0;
}

}  // namespace platform

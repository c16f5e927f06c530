#include "platform/dbus_service.h"

#include <systemd/sd-bus.h>

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

namespace platform {

namespace {

// The complete types of a signature, one by one ("sas" -> "s", "as").
std::vector<std::string> SplitSignature(const std::string& signature) {
    std::vector<std::string> out;
    for (size_t i = 0; i < signature.size();) {
        if (signature.compare(i, 5, "a(ii)") == 0) {
            out.emplace_back("a(ii)");
            i += 5;
        } else if (signature[i] == 'a' && i + 1 < signature.size()) {
            out.push_back(signature.substr(i, 2));
            i += 2;
        } else {
            out.push_back(signature.substr(i, 1));
            ++i;
        }
    }
    return out;
}

int AppendOne(sd_bus_message* m, const std::string& type, const DbusValue& v) {
    if (type == "b") {
        const bool* b = std::get_if<bool>(&v);
        const int flag = b && *b ? 1 : 0;
        return sd_bus_message_append_basic(m, 'b', &flag);
    }
    if (type == "i") {
        const int32_t* i = std::get_if<int32_t>(&v);
        const int32_t value = i ? *i : 0;
        return sd_bus_message_append_basic(m, 'i', &value);
    }
    if (type == "d") {
        const double* d = std::get_if<double>(&v);
        const double value = d ? *d : 0;
        return sd_bus_message_append_basic(m, 'd', &value);
    }
    if (type == "s") {
        const std::string* s = std::get_if<std::string>(&v);
        return sd_bus_message_append_basic(m, 's', s ? s->c_str() : "");
    }
    if (type == "as") {
        int r = sd_bus_message_open_container(m, 'a', "s");
        if (const auto* list = std::get_if<std::vector<std::string>>(&v))
            for (const std::string& s : *list)
                if (r >= 0) r = sd_bus_message_append_basic(m, 's', s.c_str());
        return r >= 0 ? sd_bus_message_close_container(m) : r;
    }
    if (type == "a(ii)") {
        int r = sd_bus_message_open_container(m, 'a', "(ii)");
        if (const auto* pairs = std::get_if<DbusIntPairs>(&v))
            for (const auto& [a, b] : *pairs)
                if (r >= 0) r = sd_bus_message_append(m, "(ii)", a, b);
        return r >= 0 ? sd_bus_message_close_container(m) : r;
    }
    return -EINVAL;
}

}  // namespace

int ReadDbusValues(sd_bus_message* m, const std::string& signature, std::vector<DbusValue>& out) {
    for (const std::string& type : SplitSignature(signature)) {
        int r = 0;
        if (type == "s") {
            const char* s = nullptr;
            r = sd_bus_message_read_basic(m, 's', &s);
            out.emplace_back(std::string(s ? s : ""));
        } else if (type == "b") {
            int b = 0;
            r = sd_bus_message_read_basic(m, 'b', &b);
            out.emplace_back(b != 0);
        } else if (type == "i") {
            int32_t i = 0;
            r = sd_bus_message_read_basic(m, 'i', &i);
            out.emplace_back(i);
        } else if (type == "as") {
            char** strv = nullptr;
            r = sd_bus_message_read_strv(m, &strv);
            std::vector<std::string> list;
            for (char** p = strv; p && *p; ++p) {
                list.emplace_back(*p);
                std::free(*p);
            }
            std::free(strv);
            out.emplace_back(std::move(list));
        } else {
            return -EINVAL;
        }
        if (r < 0) return r;
    }
    return 0;
}

namespace {

// "a\0b\0" for the vtable's names field: every name followed by its NUL.
std::string JoinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        out += n;
        out.push_back('\0');
    }
    return out;
}

}  // namespace

int AppendDbusValues(sd_bus_message* m, const std::string& signature,
                     const std::vector<DbusValue>& values) {
    const std::vector<std::string> types = SplitSignature(signature);
    if (types.size() != values.size()) return -EINVAL;
    for (size_t i = 0; i < types.size(); ++i)
        if (int r = AppendOne(m, types[i], values[i]); r < 0) return r;
    return 0;
}

// One exported interface: its description and the vtable sd-bus reads (which points into it).
struct DbusService::Exported {
    DbusInterface iface;
    std::vector<std::string> names;  // the methods' and signals' argument names, kept alive
    std::vector<sd_bus_vtable> vtable;
    sd_bus_slot* slot = nullptr;
    ~Exported() { sd_bus_slot_unref(slot); }
};

// One NameOwnerChanged match: the name and what to call with its new owner.
struct DbusService::NameWatch {
    std::pair<std::string, std::function<void(const std::string&)>> nameAndFn;
    sd_bus_slot* slot = nullptr;
    ~NameWatch() { sd_bus_slot_unref(slot); }
};

namespace {

int OnMethod(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    auto* e = static_cast<DbusService::Exported*>(userdata);
    const char* member = sd_bus_message_get_member(m);
    for (const DbusMethod& method : e->iface.methods) {
        if (!member || method.name != member) continue;
        std::vector<DbusValue> args;
        if (int r = ReadDbusValues(m, method.in, args); r < 0)
            return sd_bus_error_set_errno(error, r);
        auto call = std::make_shared<DbusCall>(m, std::move(args));
        method.run(call);
        return 1;  // answered now or later through the call
    }
    return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_METHOD, "no such method");
}

int OnGet(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
          void* userdata, sd_bus_error* error) {
    auto* e = static_cast<DbusService::Exported*>(userdata);
    for (const DbusProperty& p : e->iface.properties)
        if (p.name == property) return AppendOne(reply, p.type, p.get());
    return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_PROPERTY, "no such property");
}

}  // namespace

DbusCall::DbusCall(sd_bus_message* message, std::vector<DbusValue> args)
    : m_message(sd_bus_message_ref(message)), m_args(std::move(args)) {
    if (const char* sender = sd_bus_message_get_sender(message)) m_sender = sender;
}

DbusCall::~DbusCall() {
    if (m_message) Fail(SD_BUS_ERROR_NO_REPLY, "the call was dropped without an answer");
}

void DbusCall::Reply(const std::vector<DbusValue>& values) {
    if (!m_message) return;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(m_message, &reply);
    std::string signature;
    for (const DbusValue& v : values) {
        static const char* const kTypes[] = {"b", "i", "d", "s", "as", "a(ii)"};
        signature += kTypes[v.index()];
    }
    if (r >= 0) r = AppendDbusValues(reply, signature, values);
    if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    sd_bus_message* m = m_message;
    m_message = nullptr;
    if (r < 0) sd_bus_reply_method_errno(m, r, nullptr);
    sd_bus_message_unref(m);
}

void DbusCall::Fail(const std::string& name, const std::string& message) {
    if (!m_message) return;
    sd_bus_message* m = m_message;
    m_message = nullptr;
    sd_bus_error error{};
    sd_bus_error_set(&error, name.c_str(), message.c_str());
    sd_bus_reply_method_error(m, &error);
    sd_bus_error_free(&error);
    sd_bus_message_unref(m);
}

std::unique_ptr<DbusService> DbusService::OpenSession(std::string& error) {
    sd_bus* bus = nullptr;
    if (const int r = sd_bus_open_user(&bus); r < 0) {
        error = std::string("no session bus: ") + std::strerror(-r);
        return nullptr;
    }
    return std::unique_ptr<DbusService>(new DbusService(bus));
}

std::unique_ptr<DbusService> DbusService::OpenAddress(const std::string& address,
                                                      std::string& error) {
    sd_bus* bus = nullptr;
    int r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
    if (r < 0) {
        sd_bus_unref(bus);
        error = "cannot connect to " + address + ": " + std::strerror(-r);
        return nullptr;
    }
    return std::unique_ptr<DbusService>(new DbusService(bus));
}

DbusService::DbusService(sd_bus* bus) : m_bus(bus) {}

DbusService::~DbusService() {
    m_watches.clear();
    m_exported.clear();  // the slots go before the bus
    sd_bus_flush_close_unref(m_bus);
}

bool DbusService::RequestName(const std::string& name, std::string& error) {
    // Without queueing: a second program must learn at once that the name is taken.
    const int r = sd_bus_request_name(m_bus, name.c_str(), 0);
    if (r < 0) {
        error = r == -EEXIST ? name + " is owned by another program"
                             : "cannot own " + name + ": " + std::strerror(-r);
        return false;
    }
    return true;
}

bool DbusService::Export(DbusInterface iface, std::string& error) {
    auto e = std::make_unique<Exported>();
    e->iface = std::move(iface);
    e->names.reserve(e->iface.methods.size() + e->iface.events.size());
    auto zeroed = [] {
        sd_bus_vtable v;
        std::memset(&v, 0, sizeof v);  // the union's unused parts must be zero
        return v;
    };
    sd_bus_vtable start = zeroed();
    start.type = _SD_BUS_VTABLE_START;
    start.flags = 0;
    start.x.start.element_size = sizeof(sd_bus_vtable);
    start.x.start.features = _SD_BUS_VTABLE_PARAM_NAMES;
    start.x.start.vtable_format_reference = &sd_bus_object_vtable_format;
    e->vtable.push_back(start);
    for (const DbusMethod& m : e->iface.methods) {
        e->names.push_back(JoinNames(m.argNames));
        sd_bus_vtable v = zeroed();
        v.type = _SD_BUS_VTABLE_METHOD;
        v.flags = SD_BUS_VTABLE_UNPRIVILEGED;
        v.x.method.member = m.name.c_str();
        v.x.method.signature = m.in.c_str();
        v.x.method.result = m.out.c_str();
        v.x.method.handler = OnMethod;
        v.x.method.offset = 0;
        v.x.method.names = e->names.back().c_str();
        e->vtable.push_back(v);
    }
    for (const DbusSignal& s : e->iface.events) {
        e->names.push_back(JoinNames(s.argNames));
        sd_bus_vtable v = zeroed();
        v.type = _SD_BUS_VTABLE_SIGNAL;
        v.flags = 0;
        v.x.signal.member = s.name.c_str();
        v.x.signal.signature = s.type.c_str();
        v.x.signal.names = e->names.back().c_str();
        e->vtable.push_back(v);
    }
    for (const DbusProperty& p : e->iface.properties) {
        sd_bus_vtable v = zeroed();
        v.type = _SD_BUS_VTABLE_PROPERTY;
        v.flags = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;
        v.x.property.member = p.name.c_str();
        v.x.property.signature = p.type.c_str();
        v.x.property.get = OnGet;
        e->vtable.push_back(v);
    }
    sd_bus_vtable end = zeroed();
    end.type = _SD_BUS_VTABLE_END;
    e->vtable.push_back(end);
    const int r = sd_bus_add_object_vtable(m_bus, &e->slot, e->iface.path.c_str(),
                                           e->iface.name.c_str(), e->vtable.data(), e.get());
    if (r < 0) {
        error = "cannot export " + e->iface.path + ": " + std::strerror(-r);
        return false;
    }
    m_exported.push_back(std::move(e));
    return true;
}

int DbusService::Fd() const {
    return sd_bus_get_fd(m_bus);
}

int DbusService::Events() const {
    return sd_bus_get_events(m_bus);
}

int DbusService::TimeoutMs() const {
    uint64_t usec = 0;
    if (sd_bus_get_timeout(m_bus, &usec) < 0 || usec == UINT64_MAX) return -1;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nowUs =
        static_cast<uint64_t>(now.tv_sec) * 1'000'000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
    if (usec <= nowUs) return 0;
    const uint64_t ms = (usec - nowUs + 999) / 1000;
    return ms > 60'000 ? 60'000 : static_cast<int>(ms);
}

void DbusService::Process() {
    // A bounded batch: a flood of calls must not starve the window's own events.
    for (int i = 0; i < 64; ++i)
        if (sd_bus_process(m_bus, nullptr) <= 0) break;
    sd_bus_flush(m_bus);
}

std::string DbusService::NameOwner(const std::string& name) {
    sd_bus_error error{};
    sd_bus_message* reply = nullptr;
    const char* owner = nullptr;
    std::string out;
    int r = sd_bus_call_method(m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "GetNameOwner", &error, &reply, "s",
                               name.c_str());
    if (r >= 0) r = sd_bus_message_read_basic(reply, 's', &owner);
    if (r >= 0 && owner) out = owner;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return out;
}

namespace {

int OnNameOwnerChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) < 0 || !name) return 0;
    auto* w =
        static_cast<std::pair<std::string, std::function<void(const std::string&)>>*>(userdata);
    if (w->first == name) w->second(newOwner ? newOwner : "");
    return 0;
}

}  // namespace

bool DbusService::WatchNameOwner(const std::string& name,
                                 std::function<void(const std::string&)> fn) {
    // A bus name holds no quote or backslash; anything else would break the match rule.
    if (name.empty() || name.find_first_of("'\\,") != std::string::npos) return false;
    auto w = std::make_unique<NameWatch>();
    w->nameAndFn = {name, std::move(fn)};
    // Only the bus daemon's own signal: a program could send one of the same shape.
    const std::string rule =
        "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
        "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='" +
        name + "'";
    if (sd_bus_add_match(m_bus, &w->slot, rule.c_str(), OnNameOwnerChanged, &w->nameAndFn) < 0)
        return false;
    m_watches.push_back(std::move(w));
    return true;
}

bool DbusService::Emit(const std::string& path, const std::string& iface, const std::string& name,
                       const std::vector<DbusValue>& values) {
    std::string signature;
    for (const auto& e : m_exported)
        if (e->iface.path == path && e->iface.name == iface)
            for (const DbusSignal& s : e->iface.events)
                if (s.name == name) signature = s.type;
    sd_bus_message* m = nullptr;
    int r = sd_bus_message_new_signal(m_bus, &m, path.c_str(), iface.c_str(), name.c_str());
    if (r >= 0) r = AppendDbusValues(m, signature, values);
    if (r >= 0) r = sd_bus_send(m_bus, m, nullptr);
    sd_bus_message_unref(m);
    if (r >= 0) r = sd_bus_flush(m_bus);
    return r >= 0;
}

bool DbusService::EmitPropertiesChanged(const std::string& path, const std::string& iface,
                                        const std::vector<std::string>& names) {
    if (names.empty()) return true;
    std::vector<char*> strv;
    for (const std::string& n : names) strv.push_back(const_cast<char*>(n.c_str()));
    strv.push_back(nullptr);
    int r = sd_bus_emit_properties_changed_strv(m_bus, path.c_str(), iface.c_str(), strv.data());
    if (r >= 0) r = sd_bus_flush(m_bus);
    return r >= 0;
}

}  // namespace platform

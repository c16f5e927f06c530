// sway and i3: the IPC socket as swaymsg uses it (sway-ipc(7)): SUBSCRIBE to ["window"], then
// each window event of change "focus" carries the container with its app_id (Wayland), its
// window_properties class and instance (Xwayland, i3), its pid and name. GET_TREE gives the
// window in front at the start.
#include <thread>

#include "platform/focus_source.h"
#include "platform/json_reader.h"
#include "platform/stop_pipe.h"
#include "platform/sway_ipc.h"

namespace platform {

namespace {

constexpr const char* kSubscribeWindow = "[\"window\"]";

std::string Text(const JsonValue* v) {
    return v && v->kind == JsonValue::Kind::String ? BoundFocusText(v->text) : std::string();
}

FocusedWindow FromContainer(const JsonValue& c) {
    FocusedWindow f;
    f.appId = Text(c.Member("app_id"));
    f.title = Text(c.Member("name"));
    if (const JsonValue* props = c.Member("window_properties")) {
        f.wmClass = Text(props->Member("class"));
        f.wmInstance = Text(props->Member("instance"));
    }
    const JsonValue* pid = c.Member("pid");
    if (pid && pid->kind == JsonValue::Kind::Number && pid->number > 0 &&
        pid->number <= 0x7FFFFFFF) {
        f.pid = static_cast<int>(pid->number);
        f.exe = ExecutableOfPid(f.pid);
    }
    return f;
}

// The focused view of the tree: a node with "focused" true that is a window (has a pid).
const JsonValue* FindFocused(const JsonValue& node) {
    const JsonValue* focused = node.Member("focused");
    if (focused && focused->kind == JsonValue::Kind::Bool && focused->boolean && node.Member("pid"))
        return &node;
    for (const char* list : {"nodes", "floating_nodes"}) {
        const JsonValue* children = node.Member(list);
        if (!children || children->kind != JsonValue::Kind::Array) continue;
        for (const JsonValue& child : children->items)
            if (const JsonValue* hit = FindFocused(child)) return hit;
    }
    return nullptr;
}

class SwayFocusSource : public FocusSource {
  public:
    explicit SwayFocusSource(std::string socketPath) : m_path(std::move(socketPath)) {}
    ~SwayFocusSource() override { Stop(); }
    const char* Name() const override { return "sway"; }

    bool Start(Callback onFocus) override {
        if (m_thread.joinable()) return false;
        // One connection asks for the tree, the other carries nothing but events.
        auto query = SwayIpc::Connect(m_path);
        m_events = SwayIpc::Connect(m_path);
        std::string reply;
        JsonValue v;
        if (!query || !m_events || !m_events->Request(kSwaySubscribe, kSubscribeWindow, reply) ||
            !ParseJson(reply, v) || !v.Member("success") || !v.Member("success")->boolean) {
            m_events.reset();
            return false;
        }
        if (!m_stop.Open()) {
            m_events.reset();
            return false;
        }
        m_onFocus = std::move(onFocus);
        FocusedWindow first;
        first.none = true;
        if (query->Request(kSwayGetTree, "", reply) && ParseJson(reply, v))
            if (const JsonValue* node = FindFocused(v)) first = FromContainer(*node);
        m_thread = std::thread([this, first] { Run(first); });
        return true;
    }

    void Stop() override {
        if (m_thread.joinable()) {
            m_stop.Raise();
            m_thread.join();
        }
        m_events.reset();
        m_stop.Close();
    }

  private:
    void Run(const FocusedWindow& first) {
        m_onFocus(first);
        while (m_stop.WaitReadable(m_events->Fd())) {
            uint32_t type = 0;
            std::string payload;
            // The compositor ended or sent something that is not its protocol.
            if (!m_events->ReadMessage(type, payload)) return;
            if (type != kSwayEventWindow) continue;
            JsonValue ev;
            if (!ParseJson(payload, ev)) continue;
            const JsonValue* change = ev.Member("change");
            const JsonValue* container = ev.Member("container");
            if (!change || change->text != "focus" || !container ||
                container->kind != JsonValue::Kind::Object)
                continue;
            m_onFocus(FromContainer(*container));
        }
    }

    std::string m_path;
    std::unique_ptr<SwayIpc> m_events;
    StopPipe m_stop;
    Callback m_onFocus;
    std::thread m_thread;
};

}  // namespace

std::unique_ptr<FocusSource> MakeSwayFocusSource(const std::string& socketPath) {
    return std::make_unique<SwayFocusSource>(socketPath);
}

}  // namespace platform

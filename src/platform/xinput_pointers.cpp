#include "platform/xinput_pointers.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstring>
#include <mutex>

namespace platform {

namespace {

// Xlib reports a refused property change through the process's error handler, and its default
// handler ends the process; this one only counts, and the read-back tells the caller.
int CountXError(Display*, XErrorEvent*) {
    return 0;
}

class XiPointers : public XInputPointers {
  public:
    explicit XiPointers(Display* d) : m_display(d) {}
    ~XiPointers() override { XCloseDisplay(m_display); }

    std::vector<int> Pointers() override {
        std::vector<int> ids;
        int count = 0;
        XIDeviceInfo* info = XIQueryDevice(m_display, XIAllDevices, &count);
        for (int i = 0; info && i < count; ++i) {
            if (info[i].use != XISlavePointer || !info[i].enabled) continue;
            if (HasProperty(info[i].deviceid, kXAccelSpeed) &&
                !HasProperty(info[i].deviceid, "libinput Tapping Enabled"))
                ids.push_back(info[i].deviceid);
        }
        if (info) XIFreeDeviceInfo(info);
        return ids;
    }
    std::string DeviceName(int device) override {
        int count = 0;
        XIDeviceInfo* info = XIQueryDevice(m_display, device, &count);
        std::string name = info && count > 0 && info[0].name ? info[0].name : "";
        if (info) XIFreeDeviceInfo(info);
        return name;
    }
    bool GetFloats(int device, const char* property, std::vector<float>& values) override {
        std::vector<uint8_t> raw;
        if (!Get(device, property, XInternAtom(m_display, "FLOAT", False), 32, raw)) return false;
        values.resize(raw.size() / sizeof(float));
        std::memcpy(values.data(), raw.data(), values.size() * sizeof(float));
        return true;
    }
    bool SetFloats(int device, const char* property, const std::vector<float>& values) override {
        // XInput's property calls take format-32 data as packed 32-bit items (not as longs).
        std::vector<unsigned char> data(values.size() * sizeof(float));
        std::memcpy(data.data(), values.data(), data.size());
        return Set(device, property, XInternAtom(m_display, "FLOAT", False), 32, data.data(),
                   values.size());
    }
    bool GetBytes(int device, const char* property, std::vector<uint8_t>& values) override {
        return Get(device, property, XA_INTEGER, 8, values);
    }
    bool SetBytes(int device, const char* property, const std::vector<uint8_t>& values) override {
        std::vector<unsigned char> data(values.begin(), values.end());
        return Set(device, property, XA_INTEGER, 8, data.data(), data.size());
    }

  private:
    bool HasProperty(int device, const char* property) {
        int count = 0;
        Atom* atoms = XIListProperties(m_display, device, &count);
        const Atom wanted = XInternAtom(m_display, property, True);
        bool found = false;
        for (int i = 0; atoms && wanted != None && i < count; ++i) found |= atoms[i] == wanted;
        if (atoms) XFree(atoms);
        return found;
    }
    bool Get(int device, const char* property, Atom type, int format, std::vector<uint8_t>& out) {
        const Atom prop = XInternAtom(m_display, property, True);
        if (prop == None) return false;
        Atom actualType = None;
        int actualFormat = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        const int rc = XIGetProperty(m_display, device, prop, 0, 64, False, type, &actualType,
                                     &actualFormat, &items, &after, &data);
        bool ok = rc == Success && actualType == type && actualFormat == format && data;
        // 64 items were asked for, so the server sends at most that many.
        ok = ok && items <= 64;
        if (ok) out.assign(data, data + items * static_cast<unsigned>(format / 8));
        if (data) XFree(data);
        return ok;
    }
    bool Set(int device, const char* property, Atom type, int format, unsigned char* data,
             size_t items) {
        const Atom prop = XInternAtom(m_display, property, True);
        if (prop == None) return false;
        std::lock_guard<std::mutex> lock(ErrorHandlerMutex());
        auto* previous = XSetErrorHandler(CountXError);
        XIChangeProperty(m_display, device, prop, type, format, PropModeReplace, data,
                         static_cast<int>(items));
        XSync(m_display, False);
        XSetErrorHandler(previous);
        return true;  // the read-back decides
    }
    static std::mutex& ErrorHandlerMutex() {
        static std::mutex m;
        return m;
    }

    Display* m_display;
};

}  // namespace

std::unique_ptr<XInputPointers> OpenXInputPointers() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return nullptr;
    int opcode = 0, event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(d, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(d, &major, &minor) != Success) {
        XCloseDisplay(d);
        return nullptr;
    }
    return std::make_unique<XiPointers>(d);
}

}  // namespace platform

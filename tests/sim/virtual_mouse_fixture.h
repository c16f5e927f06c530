// A virtual mouse with latency 0 and helpers to talk to it report by report.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>

#include "config/device_model.h"
#include "config/sensor_dpi.h"
#include "sim/mouse_firmware.h"
#include "sim/virtual_mouse.h"

namespace simtest {

// Sensor 0x3050: 1000, 2000 and 3000 DPI are the codes 3, 7 and 9.
inline DeviceModel TestModel() {
    BuildSensorDpiTable(0);
    DeviceModel m;
    m.CID = 0x21;
    m.MID = 0x05;
    m.Sensor = 0x3050;
    m.DM = 3;
    m.DPI[0] = 1000;
    m.DPI[1] = 2000;
    m.DPI[2] = 3000;
    m.DEFLEVEL = 1;
    m.DR = 0x1000;
    m.DefLEDMode = 0x20200;
    m.DefaultKeys[0][0] = {0x01000011, 1, 0, {}, 0, 0};                 // left button
    m.DefaultKeys[0][1] = {0x01000013, 2, 0, {}, 0, 0};                 // right button
    m.DefaultKeys[0][2] = {0x080000AA, 3, 0, {}, 0, 0};                 // DPI cycle
    m.DefaultKeys[0][3] = {0x04000026, 4, 0, {}, 0, 0};                 // volume up
    m.DefaultKeys[0][4] = {0x080000A4, 5, 0, {}, 0x23, 240};            // fire key
    m.DefaultKeys[0][5] = {0x020000A1, 6, 0, {0x03, 'A', 0, 0}, 0, 0};  // Ctrl+Shift+A
    m.DefaultKeys[0][6] = {0x01000012, 0, 0, {}, 0, 0};  // no such button on this model
    return m;
}

// A request report: 8, the 13 bytes q[0..12] (missing ones 0), check byte.
inline sim::Report Request(std::initializer_list<int> q) {
    sim::Report r{};
    r[0] = sim::kRequestReportId;
    int i = 1;
    for (int b : q) r[i++] = static_cast<uint8_t>(b);
    sim::SealReport(r);
    return r;
}

class VirtualMouseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model = TestModel();
        backend.SetLatency(std::chrono::microseconds(0));
    }

    // Plugs a mouse and opens its command and notification interfaces.
    int Plug(sim::VirtualMouseSetup setup = {}) {
        if (!setup.model) setup.model = &model;
        if (setup.cid == 0) setup.cid = model.CID;
        if (setup.mid == 0) setup.mid = model.MID;
        std::string error;
        const int index = backend.AddMouse(setup, error);
        EXPECT_GE(index, 0) << error;
        OpenInterfaces(index);
        return index;
    }

    void OpenInterfaces(int mouse) {
        for (const auto& info : backend.Enumerate()) {
            if (info.path.find("virtual" + std::to_string(mouse * 3 + 1)) != std::string::npos)
                cmd = backend.Open(info.path, nullptr);
            if (info.path.find("virtual" + std::to_string(mouse * 3 + 2)) != std::string::npos)
                notify = backend.Open(info.path, nullptr);
        }
        ASSERT_NE(cmd, platform::kNoHidHandle);
        ASSERT_NE(notify, platform::kNoHidHandle);
    }

    // Sends one request and waits for the next input report on the notification handle.
    std::optional<sim::Report> Exchange(const sim::Report& request, int timeoutMs = 200) {
        EXPECT_EQ(backend.SetFeature(cmd, request.data(), request.size()), platform::kHidOk);
        return Next(timeoutMs);
    }
    std::optional<sim::Report> Next(int timeoutMs = 200) {
        sim::Report r{};
        size_t got = 0;
        if (backend.ReadInput(notify, r.data(), r.size(), timeoutMs, &got) != platform::kHidOk)
            return std::nullopt;
        EXPECT_EQ(got, r.size());
        return r;
    }

    DeviceModel model;
    sim::VirtualMouseBackend backend;
    platform::HidHandle cmd = platform::kNoHidHandle;
    platform::HidHandle notify = platform::kNoHidHandle;
};

}  // namespace simtest

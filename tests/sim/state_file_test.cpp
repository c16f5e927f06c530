#include "sim/state_file.h"

#include "sim/factory_image.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/support.h"
#include "virtual_mouse_fixture.h"

using simtest::Request;
using simtest::VirtualMouseTest;
using testing_support::TempDir;

namespace {

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::vector<uint8_t> b;
    platform::ReadWholeFile(path, b);
    return b;
}

TEST_F(VirtualMouseTest, StateFileIsCreatedFromTheFactoryImageAndFollowsEveryChange) {
    TempDir dir;
    sim::VirtualMouseSetup s;
    s.stateFile = dir.File("mouse.bin");
    const int m = Plug(s);
    sim::MemoryImage factory;
    sim::BuildFactoryImage(model, factory);
    EXPECT_EQ(FileBytes(s.stateFile), std::vector<uint8_t>(factory.begin(), factory.end()));

    ASSERT_TRUE(Exchange(Request({3, 0, 0x02, 0x00, 2, 0xAB, 0xCD})));
    backend.PressDpiButton(m);
    backend.Drain();
    const auto mem = backend.Memory(m);
    EXPECT_EQ(FileBytes(s.stateFile), std::vector<uint8_t>(mem.begin(), mem.end()));
    EXPECT_EQ(mem[0x200], 0xAB);
}

TEST(StateFile, ReloadsWhatAnEarlierRunLeft) {
    TempDir dir;
    DeviceModel model = simtest::TestModel();
    sim::VirtualMouseSetup s;
    s.model = &model;
    s.cid = model.CID;
    s.mid = model.MID;
    s.stateFile = dir.File("mouse.bin");
    std::string error;
    {
        sim::VirtualMouseBackend first;
        ASSERT_EQ(first.AddMouse(s, error), 0) << error;
        const uint8_t v = 0x5A;
        first.WriteMemory(0, 0xDFF, &v, 1);
    }  // the last change is written when the backend ends
    sim::VirtualMouseBackend second;
    ASSERT_EQ(second.AddMouse(s, error), 0) << error;
    EXPECT_EQ(second.ReadMemory(0, 0xDFF, 1), std::vector<uint8_t>{0x5A});
}

TEST(StateFile, RefusesAFileOfAnotherSizeAndLeavesItAlone) {
    TempDir dir;
    const sim::MemoryImage factory{};
    for (size_t size : {size_t{0}, size_t{3583}, size_t{3585}}) {
        const std::string path = dir.Write("s.bin", std::string(size, '\x11'));
        sim::MemoryImage image{};
        image[0] = 0x99;
        std::string error;
        EXPECT_FALSE(sim::LoadOrCreateStateFile(path, factory, image, error));
        EXPECT_NE(error.find(std::to_string(size) + " bytes, expected 3584"), std::string::npos)
            << error;
        EXPECT_EQ(image[0], 0x99);
        EXPECT_EQ(FileBytes(path).size(), size);
    }
    std::string error;
    sim::MemoryImage image{};
    EXPECT_FALSE(sim::LoadOrCreateStateFile(dir.File("missing/s.bin"), factory, image, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(sim::LoadOrCreateStateFile(dir.path(), factory, image, error));
}

}  // namespace

// A profile with every kind of choice a user can make goes through export, import on a fresh
// mouse, read and apply on every shipped model and link, and comes back as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_profile_fixture.h"
#include "macro/macro_files.h"
#include "platform/files.h"

namespace {

using cli_test::CliProfileTest;
using cli_test::Result;

using Bytes = std::vector<uint8_t>;

// 13 UTF-16 units, then an emoji whose first unit is the 14th: the last a key slot keeps.
const char kEmojiMacro[] = "Thirteen unit\xF0\x9F\x98\x80 end";

struct Mouse {
    int mid;
    const char* link;
    int keys;    // buttons of the model
    int stages;  // stages in use for this round trip
};

// Each model and link once, the stages in use from 1 to 5 among them.
const Mouse kMice[] = {{1, "receiver", 6, 1},
                       {2, "receiver", 8, 2},
                       {2, "bluetooth", 8, 3},
                       {3, "receiver", 7, 4},
                       {3, "bluetooth", 7, 5}};

std::string Name(const Mouse& m) {
    return "model " + std::to_string(m.mid) + " " + m.link;
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

class CliRoundTripTest : public CliProfileTest {
  protected:
    struct Outcome {
        std::string used, imported, applied;  // read --json of the used mouse, then the fresh one
        Bytes usedMemory, importedMemory, appliedMemory;
    };

    Bytes MemoryOf(const std::string& file) {
        const std::string m = Slurp(file);
        EXPECT_EQ(3584u, m.size());
        return Bytes(m.begin(), m.end());
    }
    void Poke(const std::string& file, int address, const Bytes& bytes) {
        std::string m = Slurp(file);
        ASSERT_EQ(3584u, m.size());
        m.replace(static_cast<size_t>(address), bytes.size(),
                  std::string(bytes.begin(), bytes.end()));
        ASSERT_TRUE(
            platform::WriteFileAtomic(file, reinterpret_cast<const uint8_t*>(m.data()), m.size()));
    }
    Result Cli(const Mouse& m, const std::string& file, const std::string& folder,
               const std::string& args) {
        return RunOn(file, folder,
                     "--virtual-cid 0x4D --virtual-mid " + std::to_string(m.mid) +
                         " --virtual-link " + m.link + " " + args);
    }

    // The used mouse gets its choices (the mouse's own stage count and a right-button fire key,
    // as another program leaves them; a three-key combination, a macro named with an emoji at
    // the 14th unit, a stage and a rate by the CLI), then export, import on a fresh mouse, read,
    // apply and read.
    void RoundTrip(const Mouse& m, Outcome& out) {
        const std::string name = std::to_string(m.mid) + m.link;
        const std::string used = dir.File(name + ".bin"), fresh = dir.File(name + "-new.bin");
        const std::string folder = dir.File(name), file = dir.File(name + ".zqa");
        ASSERT_EQ(0, Cli(m, used, folder, "read").code);

        const uint8_t c = static_cast<uint8_t>(m.stages);
        Poke(used, 0x02, {c, static_cast<uint8_t>(0x55 - c)});
        // Key 3 (matrix position 4, slot 3): fire 5 times with the right button.
        Poke(used, 0x15 + 4 * 3, {0x04, 0x03, 0x05, 0x55 - 0x04 - 0x03 - 0x05});
        const Bytes fire = {0x51, 0x04, 2, 0x84, 0x02, 0x00, 0x0F, 0x44, 0x02, 0x00, 0x0F};
        uint8_t check = 0x55;
        for (size_t i = 2; i < fire.size(); ++i) check = static_cast<uint8_t>(check - fire[i]);
        Bytes slot(29, 0);
        slot.insert(slot.end(), fire.begin(), fire.end());
        slot.push_back(check);
        Poke(used, 0x200 + 384 * 3, slot);
        ASSERT_EQ(0, Cli(m, used, folder, "read").code);

        StMacro macro;
        macro.dwMagicNumber = kMacroMagic;
        macro.dwMacroID = 0x1F00 + static_cast<uint32_t>(m.mid);
        macro.wLoopCount = 1;
        SetMacroName(macro, kEmojiMacro);
        const uint16_t keys[3] = {0x41, 0x10, 0x42};  // A, Shift, B
        for (int i = 0; i < 3; ++i) {
            macro.stEvents[i] = {keys[i], 1, 20};
            macro.stEvents[5 - i] = {keys[i], 0, 20};
        }
        ASSERT_EQ(1, WriteMacroFile(folder + "/Mac/emoji.zqm", macro));
        for (const std::string& change :
             {"set stage " + std::to_string(m.stages - 1), std::string("set rate 250"),
              std::string("set key 2 combo:Ctrl+Alt+A+B+C"),
              std::string("set key 4 'macro:") + kEmojiMacro + ":3'"}) {
            const Result r = Cli(m, used, folder, change);
            ASSERT_EQ(0, r.code) << change << ": " << r.err;
        }
        const Result before = Cli(m, used, folder, "read --json");
        ASSERT_EQ(0, before.code) << before.err;
        out.used = before.out;
        out.usedMemory = MemoryOf(used);

        ASSERT_EQ(0, Cli(m, used, folder, "export '" + file + "'").code);
        const Result imported = Cli(m, fresh, folder, "import '" + file + "'");
        ASSERT_EQ(0, imported.code) << imported.err;
        const Result afterImport = Cli(m, fresh, folder, "read --json");
        ASSERT_EQ(0, afterImport.code) << afterImport.err;
        out.imported = afterImport.out;
        out.importedMemory = MemoryOf(fresh);
        ASSERT_EQ(0, Cli(m, fresh, folder, "apply").code);
        const Result afterApply = Cli(m, fresh, folder, "read --json");
        ASSERT_EQ(0, afterApply.code) << afterApply.err;
        out.applied = afterApply.out;
        out.appliedMemory = MemoryOf(fresh);
    }

    // What the mouse does with its keys: the matrix entries of the model's buttons and the slot
    // buffers they play (name block, kinds, events and check byte).
    static Bytes KeysOf(const Mouse& m, const Bytes& memory) {
        Bytes keys;
        for (int k = 0; k < m.keys; ++k) {
            const uint8_t* e = memory.data() + 0x15 + 4 * k;
            keys.insert(keys.end(), e, e + 4);
            if (e[0] != 4) continue;
            const uint8_t* slot = memory.data() + 0x200 + 384 * e[1];
            keys.insert(keys.end(), slot, slot + 32 + 4 * slot[31] + 1);
        }
        return keys;
    }
};

TEST_F(CliRoundTripTest, EveryChoiceComesBackOnEveryModelAndLink) {
    for (const Mouse& m : kMice) {
        SCOPED_TRACE(Name(m));
        Outcome o;
        ASSERT_NO_FATAL_FAILURE(RoundTrip(m, o));
        // The choices are there to come back.
        EXPECT_NE(std::string::npos, o.used.find("\"combo\":\"0x43424105\"")) << o.used;
        EXPECT_NE(std::string::npos, o.used.find("\"fire_button\":241")) << o.used;
        EXPECT_NE(std::string::npos, o.used.find(std::string("\"label\":\"Macro - ") + kEmojiMacro))
            << o.used;
        EXPECT_NE(std::string::npos,
                  o.used.find("\"current_stage\":" + std::to_string(m.stages - 1)))
            << o.used;
        EXPECT_NE(std::string::npos, o.used.find("\"receiver\":250")) << o.used;

        EXPECT_EQ(o.used, o.imported);
        EXPECT_EQ(o.used, o.applied);
        EXPECT_EQ(KeysOf(m, o.usedMemory), KeysOf(m, o.importedMemory));
        EXPECT_EQ(o.usedMemory[0x00], o.importedMemory[0x00]) << "report rates";
        EXPECT_EQ(Bytes(o.usedMemory.begin() + 4, o.usedMemory.begin() + 6),
                  Bytes(o.importedMemory.begin() + 4, o.importedMemory.begin() + 6))
            << "current stage";
        EXPECT_EQ(o.importedMemory, o.appliedMemory);
        // The slot keeps the 13 units before the emoji, not half of it.
        const uint8_t slot4 = o.importedMemory[0x15 + 4 * 4 + 1];
        EXPECT_EQ(26, o.importedMemory[0x200 + 384 * slot4]);
    }
}

// The mouse's stage count survives the round trip too.
TEST_F(CliRoundTripTest, TheStagesInUseComeBackOnEveryModelAndLink) {
    for (const Mouse& m : kMice) {
        SCOPED_TRACE(Name(m));
        Outcome o;
        ASSERT_NO_FATAL_FAILURE(RoundTrip(m, o));
        EXPECT_EQ(m.stages, Count(o.used, "\"enabled\":true")) << o.used;
        EXPECT_EQ(o.used, o.imported);
        EXPECT_EQ(o.used, o.applied);
        EXPECT_EQ(Bytes(o.usedMemory.begin() + 2, o.usedMemory.begin() + 4),
                  Bytes(o.importedMemory.begin() + 2, o.importedMemory.begin() + 4));
        EXPECT_EQ(Bytes(o.usedMemory.begin() + 2, o.usedMemory.begin() + 4),
                  Bytes(o.appliedMemory.begin() + 2, o.appliedMemory.begin() + 4));
        // The values of the stages in use, as the mouse's codes.
        const auto stages = o.usedMemory.begin() + 6;
        EXPECT_EQ(Bytes(stages, stages + 3 * m.stages),
                  Bytes(o.importedMemory.begin() + 6, o.importedMemory.begin() + 6 + 3 * m.stages));
    }
}

}  // namespace

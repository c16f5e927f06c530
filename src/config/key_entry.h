// One button's assignment, as held in the model's default key tables and in the profile record.
#pragma once

#include <cstdint>

struct KeyEntry {
    uint32_t dwFunID = 0;       // function code: class in the top byte
    uint32_t dwMatrixPos = 0;   // key matrix position 1..8; 0 = the model has no such button
    uint32_t dwMacroID = 0;     // macro functions: the macro's id
    uint8_t stCombo[4] = {};    // combinations: [0] modifier bits (1 Ctrl, 2 Shift, 4 Alt, 8 Win),
                                // [1..3] virtual-key codes (0 = none)
    uint32_t dwParameter = 0;   // function parameter; low byte goes into the key matrix
    uint32_t dwFireButton = 0;  // fire keys: mouse-button code 240..244 that is repeated

    friend bool operator==(const KeyEntry&, const KeyEntry&) = default;
};

constexpr int kKeyEntryBytes = 24;  // size in records and files
constexpr int kKeySets = 3;
constexpr int kKeysPerSet = 16;

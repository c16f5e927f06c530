#include "profile/function_codes.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "macro/hd_macro.h"
#include "profile/key_slot.h"

namespace {

const MediaKeyInfo kMediaKeys[] = {
    {0x21, 0x0183, "tc_kbmedia_msel", "media-player"},
    {0x22, 0x00CD, "tc_PL", "play-pause"},
    {0x23, 0x00B7, "tc_stop", "stop"},
    {0x24, 0x00B6, "tc_pre_media", "previous"},
    {0x25, 0x00B5, "tc_next_media", "next"},
    {0x26, 0x00E9, "tc_vol_up", "volume-up"},
    {0x27, 0x00EA, "tc_vol_dw", "volume-down"},
    {0x28, 0x00E2, "tc_mute", "mute"},
    {0x30, 0x018A, "tc_kbmedia_mail", "mail"},
    {0x31, 0x0192, "tc_kbmedia_cal", "calculator"},
    {0x32, 0x0194, "tc_kbmedia_explore", "explorer"},
    {0x33, 0x0221, "tc_kbmedia_search", "web-search"},
    {0x34, 0x0223, "tc_kbmedia_main", "web-home"},
    {0x35, 0x0224, "tc_kbmedia_back", "web-back"},
    {0x36, 0x0225, "tc_kbmedia_forward", "web-forward"},
    {0x37, 0x0226, "tc_kbmedia_stop", "web-stop"},
    {0x38, 0x0227, "tc_kbmedia_refresh", "web-refresh"},
    {0x39, 0x022A, "tc_kbmedia_favor", "web-favorites"},
};

// Modifier bits in the order their keys go down; they come up in reverse.
const uint8_t kModifierOrder[4] = {0x01, 0x02, 0x08, 0x04};

int PutEvent(uint8_t* out, int p, uint8_t flag, uint8_t code, uint8_t high) {
    out[p] = flag;
    out[p + 1] = code;
    out[p + 2] = high;
    out[p + 3] = 0x0F;
    return p + 4;
}

}  // namespace

const MediaKeyInfo* MediaKeys(size_t* count) {
    if (count) *count = std::size(kMediaKeys);
    return kMediaKeys;
}

uint16_t MediaUsageOf(uint32_t index) {
    for (const auto& m : kMediaKeys)
        if (m.index == index) return m.usage;
    return 0xFFFF;
}

uint32_t MediaIndexOf(uint16_t usage) {
    for (const auto& m : kMediaKeys)
        if (m.usage == usage) return m.index;
    return 0;
}

// The fire key presses its own button; an entry without a known one fires the left button.
static uint8_t ButtonBitOfMouseCode(uint32_t code) {
    for (uint8_t bit : {0x01, 0x02, 0x04, 0x08, 0x10})
        if (MouseCodeOfButtonBit(bit) == code) return bit;
    return 0x01;
}

uint16_t MouseCodeOfButtonBit(uint8_t bit) {
    switch (bit) {
        case 0x01:
            return 240;
        case 0x02:
            return 241;
        case 0x04:
            return 242;
        case 0x08:
            return 244;
        case 0x10:
            return 243;
        default:
            return 0;
    }
}

uint32_t MatrixCodeOf(const KeyEntry& e) {
    const uint32_t low = e.dwFunID & 0xFFFFFF;
    switch (FunClass(e.dwFunID)) {
        case 0x01:
            switch (low) {
                case 0x11:
                    return 0x000101;
                case 0x12:
                    return 0x000401;
                case 0x13:
                    return 0x000201;
                case 0x14:
                    return 0x001001;
                case 0x15:
                    return 0x000801;
                default:
                    return kNoMatrixCode;
            }
        case 0x02:
        case 0x03:
        case 0x04:
        case 0x05:
            return kMatrixBuffer;
        case 0x08:
            switch (low) {
                case 0xA2:
                    return 0;
                case 0xA4:
                    return kMatrixBuffer | (e.dwParameter & 0xFF) << 16;
                case 0xA8:
                    return 0x0202;
                case 0xA9:
                    return 0x0302;
                case 0xAA:
                    return 0x0102;
                case 0xAD:
                    return e.dwParameter;
                case 0xAE:
                    return kMatrixLight;
                default:
                    return kNoMatrixCode;
            }
        case 0x0B:
            return e.dwParameter;
        default:
            return kNoMatrixCode;
    }
}

int BuildKeyEvents(uint8_t* out, const KeyEntry& e) {
    int p = 1;
    const uint32_t cls = FunClass(e.dwFunID);
    if (cls == 0x02) {
        const uint8_t m = e.stCombo[0];
        for (uint8_t bit : kModifierOrder)
            if (m & bit) p = PutEvent(out, p, 0x80, bit, 0);
        for (int k = 1; k <= 3; ++k)
            if (e.stCombo[k]) p = PutEvent(out, p, 0x81, VkToHid(e.stCombo[k]), 0);
        for (int k = 3; k >= 1; --k)
            if (e.stCombo[k]) p = PutEvent(out, p, 0x41, VkToHid(e.stCombo[k]), 0);
        for (int i = 3; i >= 0; --i)
            if (m & kModifierOrder[i]) p = PutEvent(out, p, 0x40, kModifierOrder[i], 0);
    } else if (cls == 0x03 || cls == 0x04) {
        const uint16_t u = MediaUsageOf(e.dwFunID & 0xFFFFFF);
        p = PutEvent(out, p, 0x82, static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8));
        p = PutEvent(out, p, 0x42, static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8));
    } else if (e.dwFunID == kFunFire) {
        const uint8_t bit = ButtonBitOfMouseCode(e.dwFireButton);
        p = PutEvent(out, p, 0x84, bit, 0);
        p = PutEvent(out, p, 0x44, bit, 0);
    } else {
        return 0;
    }
    out[0] = static_cast<uint8_t>((p - 1) / 4);
    return p;
}

bool DecodeMatrixCode(uint32_t d, KeyEntry& e) {
    uint32_t f = 0;
    switch (d & 0xFFFFFF) {
        case 0x000000:
            f = kFunOff;
            break;
        case 0x000005:
            f = kFunLightSwitch;
            break;
        case 0x000101:
            f = kFunLeft;
            break;
        case 0x000102:
            f = kFunDpiCycle;
            break;
        case 0x000201:
            f = kFunRight;
            break;
        case 0x000202:
            f = kFunDpiUp;
            break;
        case 0x000302:
            f = kFunDpiDown;
            break;
        case 0x000401:
            f = kFunMiddle;
            break;
        case 0x000801:
            f = kFunBack;
            break;
        case 0x001001:
            f = kFunForward;
            break;
        default:
            g_pfnLog("unknown keycode=0x%08x", d);
            return false;
    }
    e.dwFunID = f;
    return true;
}

bool DecodeKeySlotEvents(uint8_t kind, uint8_t subKind, const uint8_t* events, size_t avail,
                         uint8_t b2, KeyEntry& e) {
    // Never trust the count byte beyond the bytes actually read.
    const size_t n = avail ? std::min<size_t>(events[0], (avail - 1) / 4) : 0;
    const uint8_t* ev = events + 1;
    if (kind == kSlotKindFire && subKind == kSlotSubFire) {
        // The button is the one the buffer presses first (the count byte says nothing of it).
        const uint16_t code =
            (n >= 1 && (ev[0] & 0x07) == kHdKindMouse) ? MouseCodeOfButtonBit(ev[1]) : 0;
        if (code == 0) {
            g_pfnLog("wrong fire key data!!");
            return true;
        }
        e.dwFunID = kFunFire;
        e.dwParameter = b2;
        e.dwFireButton = code;
        return true;
    }
    if (kind != kSlotKindKeys || subKind != kSlotSubKeys) return false;
    e.dwFunID = kFunComboRead;
    std::memset(e.stCombo, 0, sizeof e.stCombo);
    e.dwParameter = 0;
    e.dwFireButton = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t flag = ev[4 * i];
        const uint8_t code = ev[4 * i + 1];
        if ((flag & 0xC0) == 0x40) break;
        switch (flag & 0x07) {
            case 0:
                e.stCombo[0] |= code & 0x0F;
                break;
            case 1: {
                const uint8_t vk = HidToVk(code);
                if (vk == 0) {
                    g_pfnLog("wrong combo key data!!");
                } else if (e.stCombo[1] == 0) {
                    e.stCombo[1] = vk;
                } else if (e.stCombo[2] == 0) {
                    e.stCombo[2] = vk;
                } else if (e.stCombo[3] == 0) {
                    e.stCombo[3] = vk;
                }
                break;
            }
            case 2: {
                const uint32_t v = MediaIndexOf(static_cast<uint16_t>(code | ev[4 * i + 2] << 8));
                if (v == 0)
                    g_pfnLog("wrong media key data!!");
                else
                    e.dwFunID = kFunMediaTitle | v;
                return true;
            }
            default:
                break;
        }
    }
    return true;
}

#include "profile/profile_record.h"

#include <algorithm>
#include <cstring>

#include "core/utf.h"

namespace pl = profile_layout;

std::string ProfileRecord::Name() const {
    return Utf16FieldToUtf8(szName, kProfileNameUnits);
}

void ProfileRecord::SetName(const std::string& utf8) {
    std::u16string u = Utf8ToUtf16(utf8);
    if (u.size() > static_cast<size_t>(kProfileNameMaxChars)) u.resize(kProfileNameMaxChars);
    std::fill(std::begin(szName), std::end(szName), u'\0');
    std::copy(u.begin(), u.end(), szName);
}

void EncodeKeyEntry(const KeyEntry& e, uint8_t* out) {
    PutLe32(out + 0, e.dwFunID);
    PutLe32(out + 4, e.dwMatrixPos);
    PutLe32(out + 8, e.dwMacroID);
    std::memcpy(out + 12, e.stCombo, 4);
    PutLe32(out + 16, e.dwParameter);
    PutLe32(out + 20, e.dwFireButton);
}
static_assert(kKeyEntryBytes == 24);

KeyEntry DecodeKeyEntry(const uint8_t* in) {
    KeyEntry e;
    e.dwFunID = GetLe32(in + 0);
    e.dwMatrixPos = GetLe32(in + 4);
    e.dwMacroID = GetLe32(in + 8);
    std::memcpy(e.stCombo, in + 12, 4);
    e.dwParameter = GetLe32(in + 16);
    e.dwFireButton = GetLe32(in + 20);
    return e;
}

void EncodeProfile(const ProfileRecord& r, uint8_t* out) {
    std::memset(out, 0, kProfileRecordBytes);
    PutLe32(out + pl::kMagic, r.magic);
    PutLe32(out + pl::kProfileId, r.profileId);
    std::memcpy(out + pl::kReserved0, r.reserved0.data(), r.reserved0.size());
    for (int i = 0; i < kProfileNameUnits; ++i) {
        out[pl::kName + 2 * i] = static_cast<uint8_t>(r.szName[i]);
        out[pl::kName + 2 * i + 1] = static_cast<uint8_t>(r.szName[i] >> 8);
    }
    PutLe32(out + pl::kCurKeySet, static_cast<uint32_t>(r.curKeySet));
    for (int s = 0; s < kKeySets; ++s)
        for (int k = 0; k < kKeysPerSet; ++k)
            EncodeKeyEntry(r.keys[s][k],
                           out + pl::kKeySets + (s * kKeysPerSet + k) * kKeyEntryBytes);
    PutLe32(out + pl::kRate24, r.rate24);
    PutLe32(out + pl::kRateBt, r.rateBt);
    std::memcpy(out + pl::kReserved1, r.reserved1.data(), r.reserved1.size());
    const int32_t ptr[5] = {r.pointer.scrollLines, r.pointer.doubleClickMs, r.pointer.speed,
                            r.pointer.precision, r.pointer.trails};
    for (int i = 0; i < 5; ++i) PutLe32(out + pl::kPointer + 4 * i, static_cast<uint32_t>(ptr[i]));
    std::memcpy(out + pl::kReserved2, r.reserved2.data(), r.reserved2.size());
    for (int i = 0; i < kMaxDpiStages; ++i) {
        uint8_t* p = out + pl::kStages + i * kDpiStageRecordBytes;
        PutLe32(p + 0, static_cast<uint32_t>(r.stages[i].xDpi));
        PutLe32(p + 4, static_cast<uint32_t>(r.stages[i].yDpi));
        PutLe32(p + 8, r.stages[i].color);
        PutLe32(p + 12, static_cast<uint32_t>(r.stages[i].disabled));
    }
    PutLe32(out + pl::kCurStage, static_cast<uint32_t>(r.curStage));
    PutLe32(out + pl::kSensor, r.sensor);
    PutLe32(out + pl::kLightMode, r.lightMode);
    PutLe32(out + pl::kLightSpeed, r.lightSpeed);
    PutLe32(out + pl::kLightBrightness, r.lightBrightness);
    PutLe32(out + pl::kLightColor, r.lightColor);
    std::memcpy(out + pl::kReserved3, r.reserved3.data(), r.reserved3.size());
}

ProfileBytes EncodeProfile(const ProfileRecord& rec) {
    ProfileBytes b{};
    EncodeProfile(rec, b.data());
    return b;
}

ProfileRecord DecodeProfile(const uint8_t* in) {
    ProfileRecord r;
    r.magic = GetLe32(in + pl::kMagic);
    r.profileId = GetLe32(in + pl::kProfileId);
    std::memcpy(r.reserved0.data(), in + pl::kReserved0, r.reserved0.size());
    for (int i = 0; i < kProfileNameUnits; ++i)
        r.szName[i] = static_cast<char16_t>(in[pl::kName + 2 * i] | in[pl::kName + 2 * i + 1] << 8);
    r.curKeySet = static_cast<int32_t>(GetLe32(in + pl::kCurKeySet));
    for (int s = 0; s < kKeySets; ++s)
        for (int k = 0; k < kKeysPerSet; ++k)
            r.keys[s][k] =
                DecodeKeyEntry(in + pl::kKeySets + (s * kKeysPerSet + k) * kKeyEntryBytes);
    r.rate24 = GetLe32(in + pl::kRate24);
    r.rateBt = GetLe32(in + pl::kRateBt);
    std::memcpy(r.reserved1.data(), in + pl::kReserved1, r.reserved1.size());
    int32_t* ptr[5] = {&r.pointer.scrollLines, &r.pointer.doubleClickMs, &r.pointer.speed,
                       &r.pointer.precision, &r.pointer.trails};
    for (int i = 0; i < 5; ++i) *ptr[i] = static_cast<int32_t>(GetLe32(in + pl::kPointer + 4 * i));
    std::memcpy(r.reserved2.data(), in + pl::kReserved2, r.reserved2.size());
    for (int i = 0; i < kMaxDpiStages; ++i) {
        const uint8_t* p = in + pl::kStages + i * kDpiStageRecordBytes;
        r.stages[i].xDpi = static_cast<int32_t>(GetLe32(p + 0));
        r.stages[i].yDpi = static_cast<int32_t>(GetLe32(p + 4));
        r.stages[i].color = GetLe32(p + 8);
        r.stages[i].disabled = static_cast<int32_t>(GetLe32(p + 12));
    }
    r.curStage = static_cast<int32_t>(GetLe32(in + pl::kCurStage));
    r.sensor = GetLe32(in + pl::kSensor);
    r.lightMode = GetLe32(in + pl::kLightMode);
    r.lightSpeed = GetLe32(in + pl::kLightSpeed);
    r.lightBrightness = GetLe32(in + pl::kLightBrightness);
    r.lightColor = GetLe32(in + pl::kLightColor);
    std::memcpy(r.reserved3.data(), in + pl::kReserved3, r.reserved3.size());
    return r;
}

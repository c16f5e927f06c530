// Stored profile files: any 1972 bytes decode, and encode back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "profile/profile_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t bytes[kProfileRecordBytes] = {};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    const ProfileRecord rec = DecodeProfile(bytes);
    const ProfileBytes again = EncodeProfile(rec);
    if (std::memcmp(again.data(), bytes, sizeof bytes) != 0) std::abort();
    (void)rec.Name();
    const int set = rec.KeySetIndex();
    if (set < 0 || set >= kKeySets) std::abort();
    return 0;
}

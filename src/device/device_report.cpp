#include "device/device_report.h"

#include <algorithm>
#include <cstring>

uint8_t CheckSum55(const uint8_t* data, size_t count) {
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i) sum += data[i];
    return static_cast<uint8_t>(0x55u - sum);
}

void BuildReport(const uint8_t request[kRequestBytes], uint8_t out[kReportBytes]) {
    out[0] = kRequestReportId;
    std::memcpy(out + 1, request, kRequestBytes);
    out[kReportBytes - 1] = CheckSum55(out, kReportBytes - 1);
}

bool DecodeInputReport(const uint8_t* report, size_t length, CRetParam& out) {
    if (report == nullptr || length == 0 || report[0] != kInputReportId) return false;
    CRetParam p;
    std::memcpy(p.r, report + 1, std::min(length - 1, kReplyBytes));
    out = p;
    return true;
}

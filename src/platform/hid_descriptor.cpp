#include "platform/hid_descriptor.h"

#include <algorithm>

namespace platform {
namespace {

// Limits as the kernel's HID core has them: larger values only come from broken descriptors.
constexpr uint32_t kMaxReportSize = 256;        // bits per field
constexpr uint32_t kMaxReportCount = 12288;     // fields per item
constexpr uint64_t kMaxReportBits = 16384 * 8;  // a whole report
constexpr int kMaxPushDepth = 16;

enum ItemType { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC
};
enum GlobalTag {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};
enum LocalTag { kUsage = 0x0 };
constexpr uint32_t kApplicationCollection = 1;

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

struct Bits {
    int id = 0;
    uint64_t bits[kHidReportTypes] = {};
    uint32_t usagePage = 0;
    uint32_t usage = 0;
};

}  // namespace

int HidDescriptorInfo::MaxLength(HidReportType type) const {
    int best = 0;
    for (const auto& r : reports) best = std::max(best, r.bytes[type]);
    return best;
}

int HidDescriptorInfo::Length(int id, HidReportType type) const {
    for (const auto& r : reports)
        if (r.id == id) return r.bytes[type];
    return 0;
}

int HidDescriptorInfo::FirstReportId() const {
    for (HidReportType t : {kHidFeature, kHidInput, kHidOutput})
        if (firstId[t] >= 0) return firstId[t];
    return 0;
}

bool ParseHidDescriptor(const uint8_t* data, size_t size, HidDescriptorInfo& out) {
    out = HidDescriptorInfo{};
    if (!data || size == 0) return false;

    Globals g;
    std::vector<Globals> stack;
    std::vector<Bits> reports;
    bool haveUsage = false, usageHasPage = false;
    uint32_t lastUsage = 0;
    int depth = 0;
    bool topFound = false;
    uint32_t topPage = 0, topUsage = 0;  // of the application collection being read

    size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = data[pos];
        if (prefix == 0xFE) {  // long item: size byte, tag byte, data; nothing we use
            if (size - pos < 3) return false;
            const size_t len = data[pos + 1];
            if (size - pos - 3 < len) return false;
            pos += 3 + len;
            continue;
        }
        static constexpr size_t kDataBytes[4] = {0, 1, 2, 4};
        const size_t len = kDataBytes[prefix & 3];
        const int type = prefix >> 2 & 3;
        const int tag = prefix >> 4;
        if (size - pos - 1 < len) return false;
        uint32_t value = 0;
        for (size_t i = 0; i < len; ++i)
            value |= static_cast<uint32_t>(data[pos + 1 + i]) << (8 * i);
        pos += 1 + len;

        if (type == kGlobal) {
            switch (tag) {
                case kUsagePage:
                    g.usagePage = value;
                    break;
                case kReportSize:
                    if (value > kMaxReportSize) return false;
                    g.reportSize = value;
                    break;
                case kReportCount:
                    if (value > kMaxReportCount) return false;
                    g.reportCount = value;
                    break;
                case kReportId:
                    if (value == 0 || value > 255) return false;
                    g.reportId = value;
                    out.usesReportIds = true;
                    break;
                case kPush:
                    if (static_cast<int>(stack.size()) >= kMaxPushDepth) return false;
                    stack.push_back(g);
                    break;
                case kPop:
                    if (stack.empty()) return false;
                    g = stack.back();
                    stack.pop_back();
                    break;
                default:
                    break;
            }
        } else if (type == kLocal) {
            if (tag == kUsage && !haveUsage) {
                haveUsage = true;
                lastUsage = value;
                usageHasPage = len == 4;
            }
        } else if (type == kMain) {
            switch (tag) {
                case kInput:
                case kOutput:
                case kFeature: {
                    const int rt = tag == kInput    ? kHidInput
                                   : tag == kOutput ? kHidOutput
                                                    : kHidFeature;
                    const int id = static_cast<int>(g.reportId);
                    auto it = std::find_if(reports.begin(), reports.end(),
                                           [&](const Bits& b) { return b.id == id; });
                    if (it == reports.end()) {
                        reports.push_back(Bits{id, {}, topPage, topUsage});
                        it = reports.end() - 1;
                    }
                    it->bits[rt] += static_cast<uint64_t>(g.reportSize) * g.reportCount;
                    if (it->bits[rt] > kMaxReportBits) return false;
                    if (out.firstId[rt] < 0) out.firstId[rt] = id;
                    break;
                }
                case kCollection:
                    if (depth == 0) {
                        const bool paged = haveUsage && usageHasPage;
                        topPage = paged ? lastUsage >> 16 : g.usagePage;
                        topUsage = !haveUsage ? 0 : paged ? lastUsage & 0xFFFF : lastUsage;
                        if (!topFound && value == kApplicationCollection) {
                            topFound = true;
                            out.usagePage = static_cast<int>(topPage);
                            out.usage = static_cast<int>(topUsage);
                        }
                    }
                    ++depth;
                    break;
                case kEndCollection:
                    if (depth == 0) return false;
                    --depth;
                    break;
                default:
                    break;
            }
            haveUsage = false;  // local items belong to one main item
        }
    }
    if (depth != 0 || !topFound) return false;

    for (const Bits& b : reports) {
        HidReportSizes r;
        r.id = b.id;
        r.usagePage = static_cast<int>(b.usagePage);
        r.usage = static_cast<int>(b.usage);
        for (int t = 0; t < kHidReportTypes; ++t) {
            if (b.bits[t] == 0) continue;
            r.bytes[t] = static_cast<int>((b.bits[t] + 7) / 8) + (out.usesReportIds ? 1 : 0);
        }
        out.reports.push_back(r);
    }
    return true;
}

}  // namespace platform

#include "platform/hid_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

using platform::HidDescriptorInfo;
using platform::kHidFeature;
using platform::kHidInput;
using platform::kHidOutput;
using platform::ParseHidDescriptor;

namespace {

using Bytes = std::vector<uint8_t>;

// Boot-protocol mouse with a wheel: 3 buttons, 5 bits padding, x, y, wheel; no report ids.
const Bytes kBootMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05,
                          0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03,
                          0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x03, 0x05,
                          0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F,
                          0x75, 0x08, 0x95, 0x03, 0x81, 0x06, 0xC0, 0xC0};

// Keyboard as report 1 (8 input bytes, 5 LED bits + 3 padding out) and consumer control as
// report 2 (one 16-bit usage).
const Bytes kKeyboardWithIds = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15,
    0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01,
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75,
    0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00,
    0x29, 0x65, 0x81, 0x00, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00,
    0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};

// The mouse line's vendor collection: input report 9 first, then feature report 8, each of
// 14 data bytes.
const Bytes kVendor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x09, 0x09,
                       0x02, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x0E,
                       0x81, 0x02, 0x85, 0x08, 0x09, 0x03, 0xB1, 0x02, 0xC0};

TEST(HidDescriptor, BootMouseHasNoIdsAndFourInputBytes) {
    HidDescriptorInfo d;
    ASSERT_TRUE(ParseHidDescriptor(kBootMouse.data(), kBootMouse.size(), d));
    EXPECT_FALSE(d.usesReportIds);
    EXPECT_EQ(d.usagePage, 1);
    EXPECT_EQ(d.usage, 2);
    EXPECT_EQ(d.MaxLength(kHidInput), 4);
    EXPECT_EQ(d.MaxLength(kHidOutput), 0);
    EXPECT_EQ(d.MaxLength(kHidFeature), 0);
    EXPECT_EQ(d.FirstReportId(), 0);
}

TEST(HidDescriptor, KeyboardLengthsArePerReportIdPlusTheIdByte) {
    HidDescriptorInfo d;
    ASSERT_TRUE(ParseHidDescriptor(kKeyboardWithIds.data(), kKeyboardWithIds.size(), d));
    EXPECT_TRUE(d.usesReportIds);
    EXPECT_EQ(d.usagePage, 1);  // the first top-level collection, not the consumer one
    EXPECT_EQ(d.usage, 6);
    ASSERT_EQ(d.reports.size(), 2u);
    EXPECT_EQ(d.reports[0].id, 1);
    EXPECT_EQ(d.reports[0].bytes[kHidInput], 9);
    EXPECT_EQ(d.reports[0].bytes[kHidOutput], 2);
    EXPECT_EQ(d.reports[1].id, 2);
    EXPECT_EQ(d.reports[1].bytes[kHidInput], 3);
    // Lengths of the interface are the longest report of each type, not sums across ids.
    EXPECT_EQ(d.MaxLength(kHidInput), 9);
    EXPECT_EQ(d.MaxLength(kHidOutput), 2);
    EXPECT_EQ(d.FirstReportId(), 1);  // no feature report: the first input report
}

TEST(HidDescriptor, VendorCollectionGivesCommandAndNotificationShapes) {
    HidDescriptorInfo d;
    ASSERT_TRUE(ParseHidDescriptor(kVendor.data(), kVendor.size(), d));
    EXPECT_EQ(d.usagePage, 0xFF00);
    EXPECT_EQ(d.usage, 1);
    EXPECT_EQ(d.MaxLength(kHidFeature), 15);
    EXPECT_EQ(d.MaxLength(kHidInput), 15);
    EXPECT_EQ(d.firstId[kHidInput], 9);
    EXPECT_EQ(d.firstId[kHidFeature], 8);
    // One node, both roles: each report keeps its own length and collection.
    EXPECT_EQ(d.Length(8, kHidFeature), 15);
    EXPECT_EQ(d.Length(9, kHidInput), 15);
    EXPECT_EQ(d.Length(9, kHidFeature), 0);
    EXPECT_EQ(d.Length(0x10, kHidFeature), 0);
    for (const auto& r : d.reports) {
        EXPECT_EQ(r.usagePage, 0xFF00);
        EXPECT_EQ(r.usage, 1);
    }
}

TEST(HidDescriptor, ExtendedUsageCarriesItsOwnPage) {
    const Bytes desc = {0x05, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1,
                        0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xC0};
    HidDescriptorInfo d;
    ASSERT_TRUE(ParseHidDescriptor(desc.data(), desc.size(), d));
    EXPECT_EQ(d.usagePage, 0x0C);
    EXPECT_EQ(d.usage, 1);
    EXPECT_EQ(d.MaxLength(kHidInput), 2);
}

TEST(HidDescriptor, PopRestoresTheReportIdAndCount) {
    // Report 1: 2 bytes; push; report 2: 4 bytes; pop; 2 more bytes of report 1.
    const Bytes desc = {0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xA4,
                        0x85, 0x02, 0x95, 0x04, 0x81, 0x02, 0xB4, 0x81, 0x02, 0xC0};
    HidDescriptorInfo d;
    ASSERT_TRUE(ParseHidDescriptor(desc.data(), desc.size(), d));
    ASSERT_EQ(d.reports.size(), 2u);
    EXPECT_EQ(d.reports[0].bytes[kHidInput], 5);
    EXPECT_EQ(d.reports[1].bytes[kHidInput], 5);
}

TEST(HidDescriptor, RefusesMalformedDescriptors) {
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"truncated data", {0x05, 0x01, 0xA1, 0x01, 0x26, 0xFF}},
        {"long item past the end", {0xFE, 0x05, 0x00, 0x01}},
        {"report id 0", {0xA1, 0x01, 0x85, 0x00, 0xC0}},
        {"report id above 255", {0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0}},
        {"pop without push", {0xA1, 0x01, 0xB4, 0xC0}},
        {"end without collection", {0xC0}},
        {"collection never closed", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01}},
        {"no collection", {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}},
        {"report count absurd", {0xA1, 0x01, 0x96, 0xFF, 0xFF, 0xC0}},
        {"report far too long", {0xA1, 0x01, 0x76, 0x00, 0x01, 0x96, 0x00, 0x30, 0x81, 0x02, 0xC0}},
    };
    for (const auto& c : cases) {
        HidDescriptorInfo d;
        EXPECT_FALSE(ParseHidDescriptor(c.bytes.data(), c.bytes.size(), d)) << c.what;
    }
}

TEST(HidDescriptor, SkipsLongItemsThatFit) {
    Bytes desc = {0xFE, 0x02, 0x10, 0xAA, 0xBB};
    desc.insert(desc.end(), kBootMouse.begin(), kBootMouse.end());
    HidDescriptorInfo d;
    ASSERT_TRUE(ParseHidDescriptor(desc.data(), desc.size(), d));
    EXPECT_EQ(d.MaxLength(kHidInput), 4);
}

}  // namespace

// A HID report descriptor parser of our own: report lengths per report id, the top-level
// collection each report id belongs to and the first report id of each type, which is all the
// device search and its diagnosis need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum HidReportType { kHidInput = 0, kHidOutput = 1, kHidFeature = 2, kHidReportTypes = 3 };

struct HidReportSizes {
    int id = 0;                       // 0 when the descriptor uses no report ids
    int bytes[kHidReportTypes] = {};  // data bytes, plus 1 for the id byte when ids are used
    int usagePage = 0;                // top-level collection where the id first appears
    int usage = 0;
};

struct HidDescriptorInfo {
    bool usesReportIds = false;
    int usagePage = 0;  // of the first top-level (application) collection
    int usage = 0;
    int firstId[kHidReportTypes] = {-1, -1, -1};  // id of the first item of each type; -1: none
    std::vector<HidReportSizes> reports;          // in order of first appearance

    // Longest report of that type in bytes (0 when there is none).
    int MaxLength(HidReportType type) const;
    // Length of report id's report of that type in bytes; 0 when the node has none.
    int Length(int id, HidReportType type) const;
    // Id of the first report item, looked for in the order feature, input, output; 0 if none.
    int FirstReportId() const;
};

// Parses a report descriptor. Returns false on a malformed one (truncated or overlong item,
// report id 0 or above 255, absurd sizes, unbalanced collections or push/pop, empty input);
// out is then unspecified. Never reads outside data[0..size).
bool ParseHidDescriptor(const uint8_t* data, size_t size, HidDescriptorInfo& out);

}  // namespace platform

#include "profile/report_rates.h"

namespace {

constexpr int kReceiverHz[4] = {125, 250, 500, 1000};
constexpr int kBluetoothHz[4] = {90, 115, 133, 1000};

int IndexOf(uint32_t code) {
    for (int i = 0; i < 4; ++i)
        if (kReportRateCodes[i] == code) return i;
    return -1;
}

}  // namespace

int ReceiverRateHz(uint32_t code) {
    const int i = IndexOf(code);
    return i < 0 ? -1 : kReceiverHz[i];
}

int BluetoothRateHz(uint32_t code) {
    const int i = IndexOf(code);
    return i < 0 ? -1 : kBluetoothHz[i];
}

uint32_t RateCodeOfHz(int hz, bool bluetooth) {
    for (int i = 0; i < 4; ++i)
        if ((bluetooth ? kBluetoothHz : kReceiverHz)[i] == hz) return kReportRateCodes[i];
    return 0;
}

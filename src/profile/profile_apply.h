// Writing the profile record into the mouse, step by step as nFlag selects.
#pragma once

#include <cstdint>

#include "core/message_sink.h"
#include "device/usb_driver.h"
#include "macro/macro_record.h"
#include "profile/profile_record.h"

class KeySlotMemo;

// nFlag bits, in the order their steps run.
enum : int {
    kApplyKeys = 0x001,
    // Another key set becomes the mouse's (nData: KeySetRequestData of key_set_switch.h): only
    // the matrix entries and slot buffers that differ from what the mouse holds are written.
    kApplyKeySet = 0x200,
    kApplyDpiValues = 0x004,
    kApplyStageCount = 0x080,
    kApplyCurStage = 0x010,
    kApplyLighting = 0x002,
    kApplyRates = 0x020,
    kApplyPointer = 0x008,
    kApplyRestore = 0x100,  // pointer settings, then device reset
    kApplyNoStep = 0x040,
    kApplyProgress = 0x8000,  // the requester shows a progress window
};
constexpr int kApplyAll = 255;  // nData: every key / every stage

// Performs the steps of nFlag for rec on the link's current device. progress (may be null)
// receives msg with the percentage at the step boundaries. Returns 1 on success; 0 when rec is
// not writable (id 0), there is no device (and "GoWithNoDev" is 0), a write failed, or a key
// had to be refused (its macro does not fit a key slot buffer: the user is told which).
// memo (may be null) is what the caller knows of the slot buffers; it is kept up to date.
int ApplyProfileToDevice(const ProfileRecord& rec, MessageSink* progress, CUSBDriver* link,
                         uint32_t msg, int nFlag, int nData, KeySlotMemo* memo = nullptr);

// A macro longer than a key slot buffer holds can never reach the mouse. True when m fits;
// otherwise logs it ("<logTag>[<keyIndex>]: ...") and tells the user that the button "was
// <outcome>".
bool MacroFitsKeySlot(const StMacro& m, int keyIndex, const char* logTag, const char* outcome);

// What the link to the mouse means for the user at this moment, from the session's state.
#pragma once

#include "device/usb_driver.h"

enum class LinkState {
    kNoMouse,       // nothing found
    kNoPermission,  // the mouse's nodes are there but may not be opened
    kReading,       // a mouse is identified and its settings are being read
    kConnected,     // a mouse is identified and its settings were read
};

LinkState CurrentLinkState(const CUSBDriver& link);

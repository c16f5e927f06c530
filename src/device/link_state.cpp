#include "device/link_state.h"

#include "device/session_state.h"

LinkState CurrentLinkState(const CUSBDriver& link) {
    if (link.IsConnected())
        return g_bProfileReady.load() == 0 ? LinkState::kReading : LinkState::kConnected;
    return link.m_nOpenDenied.load() > 0 ? LinkState::kNoPermission : LinkState::kNoMouse;
}

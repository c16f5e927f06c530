#include "device/session_state.h"

std::atomic<int> g_bSearchDevice{0};
std::atomic<int> g_bProfileReady{0};
std::mutex g_HandleLock;

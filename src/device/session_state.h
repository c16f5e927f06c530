// Process-wide state of the device session, shared by the search, the profile reader and the
// window. Plain values are written as a whole by one thread and read by others.
#pragma once

#include <atomic>
#include <mutex>

// 1 while the search thread must look for a mouse.
extern std::atomic<int> g_bSearchDevice;
// 1 once the profile has been read from a mouse at least once; 0 during each read.
extern std::atomic<int> g_bProfileReady;
// Held while the current device changes and for the whole of a profile read, so a read never
// sees half a device switch.
extern std::mutex g_HandleLock;

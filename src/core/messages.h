// Window message numbers exchanged between threads and windows, kept as the system numbers them.
#pragma once

#include <cstdint>

constexpr uint32_t WM_NULL_MSG = 0x0000;
constexpr uint32_t WM_CLOSE_MSG = 0x0010;
constexpr uint32_t WM_CHILD_CLICK = 0x477;       // popup list -> owner
// Slider bar -> owner: 0x800 posted with the final value, 0x801 posted while dragging, 0x802
// sent before a change (answer 1 lets it start).
constexpr uint32_t WM_SLIDER_CHANGED = 0x800;
constexpr uint32_t WM_SLIDER_CHANGING = 0x801;
constexpr uint32_t WM_SLIDER_QUERY = 0x802;
constexpr uint32_t WM_KEY_CAPTURE = 0x40A;       // key capture (macro editor, message dialog)
constexpr uint32_t WM_PROGRESS = 0x42B;          // apply thread -> progress dialog
constexpr uint32_t WM_DPI_GRID = 0x43F;          // DPI grid -> owner
constexpr uint32_t WM_PICK_COLOR = 0x461;        // colour picker -> owner
constexpr uint32_t WM_TRAY_NOTIFY = 0x46C;       // notification icon / second instance
// The macro tree's notifications are defined beside the tree (ui/tree_ctrl_ex.h): 0x594 left
// click, 0x591 double click, 0x592 right click.
constexpr uint32_t WM_DEVICE_BEHAVIOR = 0x7EB;   // device event: DPI stage or lighting changed
constexpr uint32_t WM_FIND_DEVICE_OK = 0x7F5;    // a mouse became current
constexpr uint32_t WM_BLUETOOTH_OUT = 0x7F6;     // Bluetooth link lost

// The progress of a write to the mouse as one terminal line that updates in place. It receives
// the apply thread's progress messages (WM_PROGRESS with the percentage, WM_CLOSE_MSG at the
// end) and removes the line at the end, so the command's own output follows on a clean line.
#pragma once

#include <cstdio>
#include <mutex>

#include "core/message_sink.h"

class ProgressLine : public MessageSink {
  public:
    explicit ProgressLine(std::FILE* out) : m_out(out) {}
    ~ProgressLine() override { Clear(); }
    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    // Removes the line if one is shown.
    void Clear();

  private:
    std::FILE* m_out;
    std::mutex m_mutex;
    bool m_shown = false;
};

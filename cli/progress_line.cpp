#include "cli/progress_line.h"

#include "core/messages.h"

void ProgressLine::Post(uint32_t msg, uintptr_t wParam, intptr_t) {
    if (msg == WM_CLOSE_MSG) {
        Clear();
        return;
    }
    if (msg != WM_PROGRESS) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    const unsigned percent = wParam > 100 ? 100u : static_cast<unsigned>(wParam);
    std::fprintf(m_out, "\rWriting to the mouse... %3u%%", percent);
    std::fflush(m_out);
    m_shown = true;
}

void ProgressLine::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_shown) return;
    // Back to the start of the line and erase it.
    std::fputs("\r\033[K", m_out);
    std::fflush(m_out);
    m_shown = false;
}

#include "ui/apply_coalescer.h"

#include <utility>

ApplyCoalescer::ApplyCoalescer(int quietMs, Post post, QObject* parent)
    : QObject(parent), m_post(std::move(post)) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(quietMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Flush(); });
}

void ApplyCoalescer::Request(int flag, int data) {
    if (m_bHolding && (flag != m_nFlag || data != m_nData)) Flush();
    m_bHolding = true;
    m_nFlag = flag;
    m_nData = data;
    m_timer.start();
}

bool ApplyCoalescer::Flush() {
    m_timer.stop();
    if (!m_bHolding) return false;
    m_bHolding = false;
    if (m_post) m_post(m_nFlag, m_nData);
    return true;
}

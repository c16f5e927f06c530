// Numbered window messages (0x477, 0x800..0x802, ...) as Qt events, so that controls, windows
// and worker threads talk with the numbers the rest of the program uses.
#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>

#include "core/message_sink.h"

class CWinMessageEvent : public QEvent {
  public:
    CWinMessageEvent(uint32_t msg, uintptr_t wParam, intptr_t lParam)
        : QEvent(EventType()), m_msg(msg), m_wParam(wParam), m_lParam(lParam) {}

    // The one event type registered for all numbered messages.
    static QEvent::Type EventType();

    uint32_t msg() const { return m_msg; }
    uintptr_t wParam() const { return m_wParam; }
    intptr_t lParam() const { return m_lParam; }
    // The receiver's answer to a sent message (0 until a handler sets it).
    intptr_t result() const { return m_result; }
    void setResult(intptr_t result) { m_result = result; }

  private:
    uint32_t m_msg;
    uintptr_t m_wParam;
    intptr_t m_lParam;
    intptr_t m_result = 0;
};

// Queues the message for the receiver's thread; safe from any thread. Does nothing for null.
void PostWinMessage(QObject* receiver, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// Delivers the message at once (receiver's thread only) and returns the receiver's answer;
// 0 for a null receiver or when no handler answered.
intptr_t SendWinMessage(QObject* receiver, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// A MessageSink for worker threads: every Post becomes a CWinMessageEvent queued for the
// receiver. The receiver must outlive the sink's users.
class QtMessageSink : public MessageSink {
  public:
    explicit QtMessageSink(QObject* receiver) : m_pReceiver(receiver) {}
    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
        PostWinMessage(m_pReceiver, msg, wParam, lParam);
    }

  private:
    QObject* m_pReceiver;
};

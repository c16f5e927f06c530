// Holds back one kind of apply request while the user is still changing a value: each new
// request restarts a short quiet time and only the last one is handed on when it ends. The
// apply reads the profile when it runs, so the last value is the one written.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class ApplyCoalescer : public QObject {
  public:
    using Post = std::function<void(int flag, int data)>;
    ApplyCoalescer(int quietMs, Post post, QObject* parent = nullptr);

    // Holds (flag, data); a different request held before is handed on first.
    void Request(int flag, int data);
    // Hands on the held request now; false when none was held.
    bool Flush();
    bool IsHolding() const { return m_bHolding; }

  private:
    QTimer m_timer;
    Post m_post;
    bool m_bHolding = false;
    int m_nFlag = 0;
    int m_nData = 0;
};

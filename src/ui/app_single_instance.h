// One running copy per user: a lock file decides which copy runs, and a local socket named
// after MUTEX_ZQ_WIRELESS in the user's runtime folder lets a second copy ask the first to
// show its window before it ends.
#pragma once

#include <QObject>
#include <QString>

#include "platform/file_lock.h"

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // name: the socket name; empty means the per-user default.
    explicit SingleInstance(const QString& name = QString());
    ~SingleInstance() override;

    // True when this is the first copy: it holds the lock file "<name>.lock" and its socket
    // listens. Copies started at the same moment race only for the lock, which one wins; a
    // socket left by a crashed copy is taken over by the lock's holder.
    bool Acquire();
    // Second copy: asks the first to show its window, waiting up to timeoutMs for it to
    // listen; true when the request was delivered.
    bool AskFirstToShow(int timeoutMs = 1000);
    const QString& Name() const { return m_name; }
    static QString DefaultName();

  signals:
    // A second copy asked for the window.
    void showRequested();

  private:
    QString m_name;
    QLocalServer* m_pServer = nullptr;
    platform::FileLock m_lock;
};

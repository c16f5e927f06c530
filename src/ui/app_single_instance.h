// One running copy per user: a lock file decides which copy runs, and a local socket named
// after MUTEX_ZQ_WIRELESS in the user's runtime folder lets a second copy ask the first to
// show its window before it ends (with the activation token the second copy was started
// with, which Wayland needs to raise a window).
#pragma once

#include <QObject>
#include <QString>

#include <string>

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
    // listen; true when the request was delivered. activationToken goes with the request
    // (left out when empty or not a usable token).
    bool AskFirstToShow(int timeoutMs = 1000, const QString& activationToken = QString());
    const QString& Name() const { return m_name; }
    // Why there is no per-user name (the runtime folder cannot be used); empty when there is.
    // Acquire then fails: the caller says this instead of asking a first copy.
    const std::string& Error() const { return m_error; }
    // The per-user default; empty (*error set) when no private folder can be had.
    static QString DefaultName(std::string* error = nullptr);

  signals:
    // A second copy asked for the window; activationToken is empty when it had none.
    void showRequested(const QString& activationToken);

  private:
    std::string m_error;  // before m_name, which the constructor fills with it
    QString m_name;
    QLocalServer* m_pServer = nullptr;
    platform::FileLock m_lock;
};

// One running copy per user: a local socket named after MUTEX_ZQ_WIRELESS in the user's
// runtime folder. A second copy asks the first to show its window and ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // name: the socket name; empty means the per-user default.
    explicit SingleInstance(const QString& name = QString());
    ~SingleInstance() override;

    // True when this is the first copy (the socket now listens). A socket left by a crashed
    // copy (nobody answers) is removed and taken over.
    bool Acquire();
    // Second copy: asks the first to show its window; true when the request was delivered.
    bool AskFirstToShow(int timeoutMs = 1000);
    const QString& Name() const { return m_name; }
    static QString DefaultName();

  signals:
    // A second copy asked for the window.
    void showRequested();

  private:
    QString m_name;
    QLocalServer* m_pServer = nullptr;
};

#include "ui/app_single_instance.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QVariant>

#include "core/log.h"
#include "platform/user_dirs.h"
#include "ui/activation_token.h"

namespace {

constexpr char kShowRequest[] = "show";
// "show", a space and a token, and the newline; a longer request is not read further.
constexpr qsizetype kMaxRequestBytes = 300;

// The token of a complete request line; empty for a request without one or with a token
// that is not usable (the window is shown all the same).
QString RequestToken(const QByteArray& line) {
    if (!line.startsWith(kShowRequest)) return {};
    const QByteArray rest = line.mid(sizeof kShowRequest - 1);
    if (!rest.startsWith(' ')) return {};
    const QByteArray token = rest.mid(1);
    return IsActivationToken(token) ? QString::fromLatin1(token) : QString();
}

}  // namespace

QString SingleInstance::DefaultName(std::string* error) {
    // The runtime folder is private to the user, so each user gets a copy of their own; never a
    // fixed name in the shared temporary folder, where another user could hold it.
    std::string why;
    const std::string dir = platform::UserRuntimeDir(why);
    if (error) *error = why;
    if (dir.empty()) return {};
    return QString::fromStdString(dir) + "/MUTEX_ZQ_WIRELESS";
}

SingleInstance::SingleInstance(const QString& name)
    : m_name(name.isEmpty() ? DefaultName(&m_error) : name) {}

SingleInstance::~SingleInstance() {
    if (m_pServer) m_pServer->close();
}

bool SingleInstance::Acquire() {
    if (m_name.isEmpty()) return false;
    int err = 0;
    const auto lock = m_lock.TryAcquire((m_name + ".lock").toStdString(), &err);
    if (lock == platform::FileLock::Try::kHeldByOther) return false;
    if (lock == platform::FileLock::Try::kError) {
        // No lock file possible (a read-only folder): a live copy still answers its socket.
        g_pfnLog("SingleInstance: lock file err=%d", err);
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(500)) return false;
    }
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pServer->listen(m_name)) {
        // The lock is ours, so a socket file is a leftover of a copy that died.
        QLocalServer::removeServer(m_name);
        if (!m_pServer->listen(m_name)) return true;  // run anyway, only without the socket
    }
    connect(m_pServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_pServer->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                // A request may arrive in pieces: read up to its newline, and no further.
                QByteArray line = s->property("request").toByteArray();
                line += s->read(kMaxRequestBytes - line.size());
                const qsizetype end = line.indexOf('\n');
                if (end < 0 && line.size() < kMaxRequestBytes) {
                    s->setProperty("request", line);
                    return;
                }
                if (end >= 0 && line.startsWith(kShowRequest))
                    emit showRequested(RequestToken(line.left(end)));
                s->disconnectFromServer();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::AskFirstToShow(int timeoutMs, const QString& activationToken) {
    // The first copy may hold the lock a moment before its socket listens.
    QElapsedTimer t;
    t.start();
    QLocalSocket s;
    for (;;) {
        s.connectToServer(m_name);
        if (s.waitForConnected(timeoutMs)) break;
        if (t.elapsed() >= timeoutMs) return false;
        QThread::msleep(20);
    }
    QByteArray request = kShowRequest;
    if (const QByteArray token = activationToken.toLatin1(); IsActivationToken(token))
        request += ' ' + token;
    s.write(request + '\n');
    const bool ok = s.waitForBytesWritten(timeoutMs);
    s.waitForDisconnected(timeoutMs);
    return ok;
}

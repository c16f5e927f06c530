#include "ui/activation_token.h"

#include <QGuiApplication>

namespace {

constexpr char kTokenVariable[] = "XDG_ACTIVATION_TOKEN";
constexpr int kMaxTokenChars = 255;

}  // namespace

bool IsActivationToken(const QByteArray& token) {
    if (token.isEmpty() || token.size() > kMaxTokenChars) return false;
    for (const char c : token)
        if (c <= ' ' || c > '~') return false;
    return true;
}

QString TakeOwnActivationToken() {
    const QByteArray token = qgetenv(kTokenVariable);
    qunsetenv(kTokenVariable);
    return IsActivationToken(token) ? QString::fromLatin1(token) : QString();
}

void UseActivationToken(const QString& token) {
    if (token.isEmpty() || !QGuiApplication::platformName().startsWith("wayland")) return;
    // The toolkit's Wayland shell takes the token from here at the next activation request.
    qputenv(kTokenVariable, token.toLatin1());
}

// Wayland lets a program raise its window only with a token from the compositor, handed to
// whatever the user started (XDG_ACTIVATION_TOKEN). A second copy has such a token but no
// window; it passes the token to the running copy, which raises its window with it.
#pragma once

#include <QByteArray>
#include <QString>

// True for a token that may be passed on: 1 to 255 printable ASCII characters, no spaces.
bool IsActivationToken(const QByteArray& token);
// The token this copy was started with (empty when none or not a usable one). The variable
// is cleared, so that no window of this copy uses it up.
QString TakeOwnActivationToken();
// Lets the next activation of a window on Wayland use token; does nothing elsewhere or for an
// empty token.
void UseActivationToken(const QString& token);

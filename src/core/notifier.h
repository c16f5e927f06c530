// Messages for the user. Engine code reports through g_pNotifier; the window shows a message
// box, the command-line tool prints, tests record and assert the exact text and caption.
#pragma once

#include <string>

// Button sets and answers, with the values of the classic message-box API.
enum : unsigned { MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNO = 0x4 };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class Notifier {
public:
    virtual ~Notifier() = default;
    // Shows text with caption; returns the answer (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int Show(const std::string& text, const std::string& caption, unsigned buttons) = 0;
};

// Never null: by default messages go to standard error and the log, and the answer is IDOK.
extern Notifier* g_pNotifier;

// Installs n (null restores the default); returns the previous notifier.
Notifier* SetNotifier(Notifier* n);

inline int NotifyUser(const std::string& text, const std::string& caption,
                      unsigned buttons = MB_OK) {
    return g_pNotifier->Show(text, caption, buttons);
}

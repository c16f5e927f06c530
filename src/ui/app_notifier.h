// The desktop program's Notifier: user messages from the engine in the skinned message dialog
// (a caption such as "Error" or "Warning" goes to the log only).
#pragma once

#include "core/notifier.h"

class GuiNotifier : public Notifier {
  public:
    // Installs itself for its lifetime.
    GuiNotifier();
    ~GuiNotifier() override;
    // On the user-interface thread the message is modal and the answer is the user's; from a
    // worker thread it is queued for the user-interface thread and the answer is IDOK, so a
    // worker never waits for the window.
    int Show(const std::string& text, const std::string& caption, unsigned buttons) override;

  private:
    Notifier* m_previous;
};

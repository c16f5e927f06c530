// Opening a web address from the text table in the user's browser, through one seam that tests
// replace so that no browser starts.
#pragma once

#include <functional>
#include <string>

// Replaces how addresses are opened (empty restores the desktop's browser).
void SetUrlOpener(std::function<void(const std::string&)> opener);

// Opens address unless it is empty. Only http and https addresses reach the desktop: the text
// comes from a language file and must never start a local file or program (logged instead).
void OpenWebAddress(const std::string& address);

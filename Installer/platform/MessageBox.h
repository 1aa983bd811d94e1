// The system message box: a modal notice with an OK button, shown by the desktop.
#pragma once

#include <string>

namespace platform {

// Blocks until the user dismisses the notice. Without a desktop to show it on, the text goes to
// the standard error stream instead.
void ShowSystemMessage(const std::string& text, const std::string& caption);

// Asks a question with Yes and No on the desktop and blocks until it is answered; true for Yes.
// Without a desktop to ask on nobody can answer: true, the run is unattended.
bool AskSystemQuestion(const std::string& text, const std::string& caption);

}  // namespace platform

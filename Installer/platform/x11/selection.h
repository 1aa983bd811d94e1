// X selections: the text a control copies is offered as CLIPBOARD, the text a user selects as
// PRIMARY, and a paste reads either back.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace platform::backend {

enum class SelectionKind { Primary, Clipboard };

// Takes ownership of the selection with this text, until another client takes it over.
void OfferSelection(SelectionKind kind, std::string textUtf8);
// The selection's text as UTF-8: our own when we own it, otherwise asked of its owner (waiting
// a moment for the answer). Empty when there is none or the owner does not answer.
std::string ReadSelection(SelectionKind kind);
// Answers other clients' requests for our selections; true when the event was one of those.
bool TranslateSelectionEvent(const XEvent& event);

}  // namespace platform::backend

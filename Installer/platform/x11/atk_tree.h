// The ATK objects that stand for our windows and their painted parts: created on demand, each
// reading its window's AccessibleInfo afresh when a client asks.
#pragma once

#include <atk/atk.h>

#include "platform/Accessibility.h"

namespace platform::atk {

// The application: its children are the top-level windows.
AtkObject* Root();
// The object of a live window (not a new reference); null for a window that is gone.
AtkObject* ObjectOf(NativeWindow window);
// Tells the bridge's clients what changed.
void Announce(NativeWindow window, AccessibleEvent event);

}  // namespace platform::atk

// Keeps a desktop chooser (a child process) above the window it was opened over.
#pragma once

#include "platform/Window.h"

namespace platform::backend {

// While it lives, looks for the top-level window of a child process of this one and, once it
// maps, makes it transient for `owner` (a top-level window; null does nothing). zenity takes
// --attach but sets no WM_TRANSIENT_FOR, and without it a window manager may put the chooser
// under the disabled owner.
class ChooserTransient {
  public:
    explicit ChooserTransient(NativeWindow owner);
    ~ChooserTransient();
    ChooserTransient(const ChooserTransient&) = delete;
    ChooserTransient& operator=(const ChooserTransient&) = delete;

  private:
    NativeWindow owner_;
};

}  // namespace platform::backend

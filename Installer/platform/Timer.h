// Periodic ticks delivered on the loop thread.
#pragma once

#include <cstdint>

#include "platform/Window.h"

namespace platform {

using TimerCallback = void (*)(NativeWindow window, MessageId message, unsigned id,
                               uint32_t tickMs);

// A due timer yields one kWmTimer message for the window when the queue is read, after input
// and paints; dispatching it calls `callback` with the id. Setting an id again replaces its period.
// Timers die with their window.
bool SetTimer(NativeWindow window, unsigned id, unsigned intervalMs, TimerCallback callback);
void KillTimer(NativeWindow window, unsigned id);

}  // namespace platform

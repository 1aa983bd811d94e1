// Starting and stopping timers, and the one callback that turns ticks into OnTimer calls.
#include "toolkit/LwTimer.h"

#include "platform/Timer.h"
#include "toolkit/LwObject.h"
#include "toolkit/LwTimerTable.h"

void LwTimer::Start(unsigned intervalMs) {
    if (running_) {
        return;
    }
    intervalMs_ = intervalMs;
    id_ = LwTimerTable::Process().Insert(this);
    platform::SetTimer(owner_->GetNativeWindow(), id_, intervalMs_, &LwTimer::TimerProc);
    running_ = true;
}

void LwTimer::Stop() {
    if (!running_) {
        return;
    }
    LwTimerTable::Process().Remove(id_);
    platform::KillTimer(owner_->GetNativeWindow(), id_);
    running_ = false;
}

void LwTimer::TimerProc(platform::NativeWindow, platform::MessageId message, unsigned id,
                        uint32_t) {
    if (message != platform::kWmTimer) {
        return;
    }
    // A timer stopped after its tick was queued is no longer in the table: nothing is called.
    LwTimer* timer = LwTimerTable::Process().Find(id);
    if (timer) {
        timer->owner_->OnTimer(timer->tag_);
    }
}

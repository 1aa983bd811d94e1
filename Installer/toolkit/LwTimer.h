// A periodic timer embedded in its owner, calling the owner's OnTimer with its tag on the loop
// thread. Destroying the record (with its owner) stops it.
#pragma once

#include <cstdint>

#include "platform/Window.h"

class LwObject;

class LwTimer {
  public:
    LwTimer(LwObject* owner, int tag) : owner_(owner), tag_(tag) {}
    ~LwTimer() { Stop(); }
    LwTimer(const LwTimer&) = delete;
    LwTimer& operator=(const LwTimer&) = delete;

    // A running timer keeps its interval and id.
    void Start(unsigned intervalMs);
    void Stop();

    bool IsRunning() const { return running_; }
    unsigned GetId() const { return id_; }
    unsigned GetInterval() const { return intervalMs_; }
    int GetTag() const { return tag_; }

  private:
    static void TimerProc(platform::NativeWindow window, platform::MessageId message, unsigned id,
                          uint32_t tickMs);

    LwObject* owner_;
    int tag_;
    unsigned intervalMs_ = 0;
    bool running_ = false;
    unsigned id_ = 0;
};

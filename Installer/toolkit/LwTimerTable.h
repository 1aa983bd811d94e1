// The process-wide table of running timers by id, under one mutex that no caller holds while it
// calls the platform or a timer's owner.
#pragma once

#include <mutex>
#include <unordered_map>

class LwTimer;

class LwTimerTable {
  public:
    static LwTimerTable& Process();

    // Enters the timer under the smallest free id from 1 and returns that id.
    unsigned Insert(LwTimer* timer);
    void Remove(unsigned id);
    // Null when no running timer has this id.
    LwTimer* Find(unsigned id);
    size_t Count();

  private:
    std::mutex mutex_;
    std::unordered_map<unsigned, LwTimer*> timers_;
};

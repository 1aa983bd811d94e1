// Id allocation and lookup for running timers.
#include "toolkit/LwTimerTable.h"

LwTimerTable& LwTimerTable::Process() {
    static LwTimerTable table;
    return table;
}

unsigned LwTimerTable::Insert(LwTimer* timer) {
    std::lock_guard<std::mutex> lock(mutex_);
    unsigned id = 1;
    while (timers_.count(id) != 0) {
        ++id;
    }
    timers_[id] = timer;
    return id;
}

void LwTimerTable::Remove(unsigned id) {
    std::lock_guard<std::mutex> lock(mutex_);
    timers_.erase(id);
}

LwTimer* LwTimerTable::Find(unsigned id) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = timers_.find(id);
    return it == timers_.end() ? nullptr : it->second;
}

size_t LwTimerTable::Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return timers_.size();
}

// The records of live windows by slot, for a backend's window file: include it after the
// backend's NativeWindowRecord is complete. A destroyed window's slot is freed with a new
// generation and reused, so the table is as long as the most windows alive at once, not as the
// number ever made, and a handle kept past its window names nothing.
#pragma once

#include <memory>
#include <vector>

#include "platform/Window.h"

namespace platform::slots {

struct Table {
    struct Slot {
        std::unique_ptr<NativeWindowRecord> record;
        uint32_t generation = 1;
    };
    std::vector<Slot> slots;  // slot n at index n - 1
    std::vector<uint32_t> free;
};

inline Table& Slots() {
    static Table table;
    return table;
}

// A fresh record whose `self` is its handle.
inline NativeWindow Allocate() {
    Table& table = Slots();
    uint32_t slot = 0;
    if (table.free.empty()) {
        table.slots.emplace_back();
        slot = static_cast<uint32_t>(table.slots.size());
    } else {
        slot = table.free.back();
        table.free.pop_back();
    }
    Table::Slot& entry = table.slots[slot - 1];
    entry.record = std::make_unique<NativeWindowRecord>();
    const NativeWindow handle(slot, entry.generation);
    entry.record->self = handle;
    return handle;
}

inline void Release(NativeWindow w) {
    Table& table = Slots();
    Table::Slot& entry = table.slots[w.Slot() - 1];
    entry.record.reset();
    ++entry.generation;
    table.free.push_back(w.Slot());
}

inline NativeWindowRecord* Find(NativeWindow w) {
    const Table& table = Slots();
    if (w.Slot() == 0 || w.Slot() > table.slots.size()) {
        return nullptr;
    }
    const Table::Slot& entry = table.slots[w.Slot() - 1];
    return entry.generation == w.Generation() ? entry.record.get() : nullptr;
}

}  // namespace platform::slots

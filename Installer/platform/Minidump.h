// What is known of a fault on a guarded thread, and the minidump writer that records it.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Registers and a copy of the stack of one thread, as the backend captured them.
struct ThreadState;

// Signal: a POSIX signal. SystemException: a Windows structured exception, whose code is in
// `signalCode`. Exception: a C++ exception that nothing caught.
enum class FaultKind { Signal, Exception, SystemException };

struct FaultRecord {
    FaultKind kind = FaultKind::Signal;
    int signal = 0;              // the signal number, for FaultKind::Signal
    int signalCode = 0;          // how it was raised (the signal's or exception's code)
    uintptr_t address = 0;       // the faulting address, where the signal has one
    char description[256] = {};  // Exception: its type and message; SystemException: its code
    long threadId = 0;
    long processId = 0;                   // the faulting process; 0: this one
    const ThreadState* thread = nullptr;  // the faulting thread at the fault, where known
};

// Writes a minidump of the faulting process (this one for a null `fault`) into `path`, a new
// file: system information, every thread with its registers and stack, the loaded modules
// with their data segments, the memory map and the fault. With a null `fault` there is no
// exception record. False when the file could not be written completely.
bool WriteMinidump(const std::string& path, const FaultRecord* fault);

}  // namespace platform

// Minidump streams of the threads: their registers and stacks, and the fault itself.
#include <signal.h>

#include <cstring>

#include "minidump_file.h"

namespace platform::minidump {

Location WriteThreadContext(DumpFile& file, const ThreadState& state) {
    const auto reg = [&state](int index) { return static_cast<uint64_t>(state.registers[index]); };
    ContextAmd64 context;
    context.contextFlags = kContextControl | kContextInteger | kContextSegments;
    context.rax = reg(REG_RAX);
    context.rcx = reg(REG_RCX);
    context.rdx = reg(REG_RDX);
    context.rbx = reg(REG_RBX);
    context.rsp = reg(REG_RSP);
    context.rbp = reg(REG_RBP);
    context.rsi = reg(REG_RSI);
    context.rdi = reg(REG_RDI);
    context.r8 = reg(REG_R8);
    context.r9 = reg(REG_R9);
    context.r10 = reg(REG_R10);
    context.r11 = reg(REG_R11);
    context.r12 = reg(REG_R12);
    context.r13 = reg(REG_R13);
    context.r14 = reg(REG_R14);
    context.r15 = reg(REG_R15);
    context.rip = reg(REG_RIP);
    context.eflags = static_cast<uint32_t>(reg(REG_EFL));
    // The kernel packs cs, gs, fs and ss into one word, 16 bits each.
    const uint64_t segments = reg(REG_CSGSFS);
    context.cs = static_cast<uint16_t>(segments);
    context.gs = static_cast<uint16_t>(segments >> 16);
    context.fs = static_cast<uint16_t>(segments >> 32);
    context.ss = static_cast<uint16_t>(segments >> 48);
    if (state.hasFloatingPoint) {
        context.contextFlags |= kContextFloatingPoint;
        context.mxCsr = state.floatingPoint.mxcsr;
        static_assert(sizeof state.floatingPoint == sizeof context.floatingSave);
        std::memcpy(context.floatingSave, &state.floatingPoint, sizeof context.floatingSave);
    }
    return file.AppendRecord(context);
}

Location WriteThreadList(DumpFile& file, const std::vector<const ThreadState*>& threads,
                         long faultingThread, std::vector<SavedMemory>& memory) {
    Location faultingContext;
    std::vector<Thread> records;
    for (const ThreadState* state : threads) {
        Thread thread;
        thread.threadId = static_cast<uint32_t>(state->threadId);
        thread.threadContext = WriteThreadContext(file, *state);
        thread.stack.startOfMemoryRange = state->stackStart;
        thread.stack.memory = file.Append(state->stack.data(), state->stack.size());
        memory.push_back({thread.stack.startOfMemoryRange, thread.stack.memory});
        if (state->threadId == faultingThread) {
            faultingContext = thread.threadContext;
        }
        records.push_back(thread);
    }
    const auto count = static_cast<uint32_t>(records.size());
    std::string record(reinterpret_cast<const char*>(&count), sizeof count);
    record.append(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(Thread));
    file.AddStream(kThreadListStream, file.Append(record.data(), record.size()));
    return faultingContext;
}

void WriteException(DumpFile& file, const FaultRecord& fault, const ThreadState* faulting,
                    Location context) {
    ExceptionStream stream;
    stream.threadId = static_cast<uint32_t>(fault.threadId);
    stream.threadContext = context;
    if (fault.kind == FaultKind::Signal) {
        // As Linux crash tools expect: the signal as the code, its origin as the flags.
        stream.exceptionRecord.exceptionCode = static_cast<uint32_t>(fault.signal);
        stream.exceptionRecord.exceptionFlags = static_cast<uint32_t>(fault.signalCode);
        stream.exceptionRecord.exceptionAddress = fault.address;
    } else {
        // An escaping exception ends a thread through abort(); the debugger shows it so.
        stream.exceptionRecord.exceptionCode = SIGABRT;
        stream.exceptionRecord.exceptionAddress =
            faulting ? static_cast<uint64_t>(faulting->registers[REG_RIP]) : 0;
    }
    file.AddStream(kExceptionStream, file.AppendRecord(stream));

    if (fault.description[0] != '\0') {
        AssertionInfo assertion;
        for (size_t i = 0; i + 1 < std::size(assertion.expression) && fault.description[i]; ++i) {
            // Plain ASCII only: the record's fields are fixed UTF-16 arrays.
            const auto c = static_cast<unsigned char>(fault.description[i]);
            assertion.expression[i] = c < 0x80 ? c : u'?';
        }
        file.AddStream(kAssertionInfoStream, file.AppendRecord(assertion));
    }
}

}  // namespace platform::minidump

// The fault guard of worker threads: fatal signals and escaping C++ exceptions on a guarded
// thread are recorded with the thread's registers and stack, the thread resumes at its guard,
// and the reporter runs there, outside the signal handler. Other threads are left alone.
#include <cxxabi.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <typeinfo>

#include "platform/Minidump.h"
#include "platform/Thread.h"
#include "thread_state.h"

namespace platform {
namespace {

constexpr int kGuardedSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kGuardedSignalCount = sizeof kGuardedSignals / sizeof kGuardedSignals[0];
// The signal handler runs here, so that a stack overflow can be reported too.
constexpr size_t kSignalStackSize = 64 * 1024;

struct GuardFrame {
    sigjmp_buf resume;
    StackBounds stack;
    uint8_t* stackCopy = nullptr;
    ThreadState state;
    FaultRecord fault;
    GuardFrame* outer = nullptr;
};

// Only the guarded thread reads or writes its own frame pointer; a plain pointer needs no
// constructor, so the signal handler may read it.
thread_local GuardFrame* activeFrame = nullptr;
struct sigaction previousActions[kGuardedSignalCount];

int SignalIndex(int signal) {
    for (int i = 0; i < kGuardedSignalCount; ++i) {
        if (kGuardedSignals[i] == signal) {
            return i;
        }
    }
    return 0;
}

// A fault outside a guard gets what it would have got without us.
void PassOn(int signal, siginfo_t* info, void* context) {
    const struct sigaction& previous = previousActions[SignalIndex(signal)];
    if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
        previous.sa_sigaction(signal, info, context);
        return;
    }
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler != SIG_DFL) {
        if (previous.sa_handler != SIG_IGN) {
            previous.sa_handler(signal);
            return;
        }
        if (info->si_code <= 0) {
            return;  // sent by someone and ignored before we came
        }
    }
    // Back to the default action, raised again: pending until this handler returns, when it
    // ends the process exactly as the fault would have.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    sigaction(signal, &defaults, nullptr);
    syscall(SYS_tgkill, getpid(), syscall(SYS_gettid), signal);
}

void OnFault(int signal, siginfo_t* info, void* context) {
    GuardFrame* frame = activeFrame;
    if (!frame) {
        PassOn(signal, info, context);
        return;
    }
    activeFrame = frame->outer;  // a fault from here on is not this guard's to catch
    frame->fault.kind = FaultKind::Signal;
    frame->fault.signal = signal;
    frame->fault.signalCode = info->si_code;
    frame->fault.address = reinterpret_cast<uintptr_t>(info->si_addr);
    frame->fault.threadId = static_cast<long>(syscall(SYS_gettid));
    CaptureThreadState(*static_cast<const ucontext_t*>(context), frame->stack, frame->stackCopy,
                       frame->stackCopy ? kStackCopyCapacity : 0, &frame->state);
    frame->fault.thread = &frame->state;
    siglongjmp(frame->resume, 1);
}

void InstallHandlers() {
    for (int i = 0; i < kGuardedSignalCount; ++i) {
        struct sigaction action {};
        action.sa_sigaction = OnFault;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(kGuardedSignals[i], &action, &previousActions[i]);
    }
}

// "type: message" of the exception being handled.
void DescribeCurrentException(char* out, size_t size) {
    const std::type_info* type = abi::__cxa_current_exception_type();
    int status = -1;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        type ? abi::__cxa_demangle(type->name(), nullptr, nullptr, &status) : nullptr, &std::free);
    const char* typeName = demangled ? demangled.get() : type ? type->name() : "unknown";
    try {
        throw;
    } catch (const std::exception& error) {
        std::snprintf(out, size, "C++ exception %s: %s", typeName, error.what());
    } catch (...) {
        std::snprintf(out, size, "C++ exception %s", typeName);
    }
}

// The thread as it is here, at the handler of the exception.
void RecordException(GuardFrame* frame) {
    frame->fault.kind = FaultKind::Exception;
    frame->fault.threadId = static_cast<long>(syscall(SYS_gettid));
    DescribeCurrentException(frame->fault.description, sizeof frame->fault.description);
    ucontext_t context;
    if (getcontext(&context) == 0) {
        CaptureThreadState(context, frame->stack, frame->stackCopy,
                           frame->stackCopy ? kStackCopyCapacity : 0, &frame->state);
        frame->fault.thread = &frame->state;
    }
}

void* MapPages(size_t size) {
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}

// Runs the body and tells whether a fault ended it. Kept apart so that nothing the caller
// holds lives in the frame that the signal handler jumps back into.
bool RunBody(GuardFrame* frame, ThreadEntry body, void* argument) {
    if (sigsetjmp(frame->resume, 1) != 0) {
        return false;
    }
    activeFrame = frame;
    try {
        body(argument);
    } catch (abi::__forced_unwind&) {
        // Thread cancellation and pthread_exit unwind through here and must go on.
        activeFrame = frame->outer;
        throw;
    } catch (...) {
        activeFrame = frame->outer;
        RecordException(frame);
        return false;
    }
    activeFrame = frame->outer;
    return true;
}

}  // namespace

bool RunGuarded(ThreadEntry body, void* argument, FaultReporter reporter) {
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);

    auto frame = std::make_unique<GuardFrame>();
    frame->outer = activeFrame;
    frame->stack = CurrentStackBounds();
    frame->stackCopy = static_cast<uint8_t*>(MapPages(kStackCopyCapacity));

    stack_t signalStack{};
    stack_t previousStack{};
    signalStack.ss_sp = MapPages(kSignalStackSize);
    signalStack.ss_size = kSignalStackSize;
    const bool ownSignalStack = signalStack.ss_sp && sigaltstack(&signalStack, &previousStack) == 0;

    const bool completed = RunBody(frame.get(), body, argument);
    activeFrame = frame->outer;
    if (!completed && reporter) {
        reporter(&frame->fault);
    }

    if (ownSignalStack) {
        sigaltstack(&previousStack, nullptr);
    }
    if (signalStack.ss_sp) {
        munmap(signalStack.ss_sp, kSignalStackSize);
    }
    if (frame->stackCopy) {
        munmap(frame->stackCopy, kStackCopyCapacity);
    }
    return completed;
}

}  // namespace platform

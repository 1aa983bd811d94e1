// The fault guard of worker threads: a fatal signal on a guarded thread, or a C++ exception
// escaping its work, is reported where it happened, while the thread waits in the signal or
// terminate handler with its stack intact. The crash server reads the thread there and runs
// the reporter; the thread then resumes at its guard. Other threads are left alone.
#include <cxxabi.h>
#include <dlfcn.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>

#include "crash_server.h"
#include "platform/Thread.h"
#include "platform/gcc/exception_text.h"

namespace platform {
namespace {

constexpr int kGuardedSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kGuardedSignalCount = sizeof kGuardedSignals / sizeof kGuardedSignals[0];
// The signal handler runs here, so that a stack overflow can be reported too.
constexpr size_t kSignalStackSize = 64 * 1024;
constexpr int kMaxCleanups = 16;

struct Cleanup {
    void (*undo)(void*);
    void* argument;
};

// Mapped, not allocated: a fault may leave the heap unusable.
struct GuardFrame {
    sigjmp_buf resume;
    crashserver::Request request;
    Cleanup cleanups[kMaxCleanups];
    volatile int cleanupCount = 0;
    FaultReporter reporter = nullptr;
    GuardFrame* outer = nullptr;
    bool reported = false;   // the crash server ran the reporter
    bool exception = false;  // an exception that __cxa_throw marked as caught before terminate
};

// Only the guarded thread reads or writes its own frame pointer; a plain pointer needs no
// constructor, so the signal handler may read it.
thread_local GuardFrame* activeFrame = nullptr;
struct sigaction previousActions[kGuardedSignalCount];
std::terminate_handler previousTerminate = nullptr;

// The C library keeps the text of its last fatal message (an assertion, a corrupt heap) for
// the debugger, as a size and the text. It is the only sign that an abort came from the
// allocator, whose lock may then be held.
struct AbortMessage {
    unsigned int size;
    char text[1];
};
AbortMessage* const* lastAbortMessage = nullptr;
const AbortMessage* seenAbortMessage = nullptr;

void FindAbortMessage() {
    void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (libc) {
        lastAbortMessage = static_cast<AbortMessage* const*>(dlsym(libc, "__abort_msg"));
        seenAbortMessage = lastAbortMessage ? *lastAbortMessage : nullptr;
        dlclose(libc);
    }
}

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Whether the abort being handled is the allocator's: a message written since the last one
// seen, in the words of malloc's own checks ("free(): invalid pointer", "double free or
// corruption (!prev)", "corrupted size vs. prev_size", ...).
bool AbortedInAllocator() {
    const AbortMessage* message = lastAbortMessage ? *lastAbortMessage : nullptr;
    if (!message || message == seenAbortMessage) {
        return false;
    }
    seenAbortMessage = message;
    for (const char* prefix :
         {"malloc", "free(", "realloc", "calloc", "double free", "corrupted ", "munmap_chunk",
          "mremap_chunk", "tcache", "_int_", "memalign", "aligned_alloc", "break adjusted"}) {
        if (StartsWith(message->text, prefix)) {
            return true;
        }
    }
    return false;
}

int SignalIndex(int signal) {
    for (int i = 0; i < kGuardedSignalCount; ++i) {
        if (kGuardedSignals[i] == signal) {
            return i;
        }
    }
    return 0;
}

long ThisThreadId() {
    return static_cast<long>(syscall(SYS_gettid));
}

// Back to the default action and raised again: pending until the handler returns (or at
// once, outside it), when it ends the process exactly as the fault would have.
void RaiseWithDefaultAction(int signal) {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    sigaction(signal, &defaults, nullptr);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    sigaddset(&unblocked, signal);
    syscall(SYS_tgkill, getpid(), ThisThreadId(), signal);
    sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
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
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    sigaction(signal, &defaults, nullptr);
    syscall(SYS_tgkill, getpid(), ThisThreadId(), signal);
}

void TakeContext(const ucontext_t& context, crashserver::Request* request) {
    std::memcpy(request->registers, context.uc_mcontext.gregs, sizeof request->registers);
    request->hasFloatingPoint = context.uc_mcontext.fpregs != nullptr;
    if (request->hasFloatingPoint) {
        std::memcpy(&request->floatingPoint, context.uc_mcontext.fpregs,
                    sizeof request->floatingPoint);
    }
    request->hasContext = true;
}

// Releases what the thread holds and has the fault reported while the thread's stack is still
// as the fault left it.
void Report(GuardFrame* frame) {
    for (int i = frame->cleanupCount - 1; i >= 0; --i) {
        frame->cleanups[i].undo(frame->cleanups[i].argument);
    }
    frame->cleanupCount = 0;
    crashserver::Request& request = frame->request;
    request.kind = crashserver::RequestKind::Report;
    request.processId = getpid();
    request.hasFault = true;
    request.reporter = frame->reporter;
    request.fault.threadId = ThisThreadId();
    crashserver::CaptureEnvironment(&request);
    frame->reported = frame->reporter && crashserver::Exchange(request) == 1;
}

void OnFault(int signal, siginfo_t* info, void* raw) {
    GuardFrame* frame = activeFrame;
    if (!frame) {
        PassOn(signal, info, raw);
        return;
    }
    activeFrame = frame->outer;  // a fault from here on is not this guard's to catch
    const auto& context = *static_cast<const ucontext_t*>(raw);
    FaultRecord& fault = frame->request.fault;
    fault.kind = FaultKind::Signal;
    fault.signal = signal;
    fault.signalCode = info->si_code;
    fault.address = reinterpret_cast<uintptr_t>(info->si_addr);
    TakeContext(context, &frame->request);
    if (signal == SIGABRT && AbortedInAllocator()) {
        // The heap is corrupt and its lock may be held by this thread: nothing that frees
        // memory may run here again, this thread's end included. Report, then end.
        Report(frame);
        RaiseWithDefaultAction(SIGABRT);
        _exit(128 + SIGABRT);
    }
    Report(frame);
    siglongjmp(frame->resume, 1);
}

// Nothing between the guard and the thread's start catches an exception, so the search for a
// handler ends at the bottom of the stack and __cxa_throw calls terminate from the throw
// itself: the thread is reported here with every frame of the throw still on its stack.
void OnTerminate() {
    GuardFrame* frame = activeFrame;
    if (!frame) {
        if (previousTerminate) {
            previousTerminate();
        }
        std::abort();
    }
    activeFrame = frame->outer;
    frame->exception = abi::__cxa_current_exception_type() != nullptr;
    FaultRecord& fault = frame->request.fault;
    fault.kind = FaultKind::Exception;
    if (frame->exception) {
        backend::DescribeCurrentException(fault.description, sizeof fault.description);
    } else {
        std::snprintf(fault.description, sizeof fault.description, "terminate called");
    }
    ucontext_t context;
    if (getcontext(&context) == 0) {
        TakeContext(context, &frame->request);
    }
    Report(frame);
    siglongjmp(frame->resume, 1);
}

void InstallHandlers() {
    FindAbortMessage();
    for (int i = 0; i < kGuardedSignalCount; ++i) {
        struct sigaction action {};
        action.sa_sigaction = OnFault;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(kGuardedSignals[i], &action, &previousActions[i]);
    }
    previousTerminate = std::set_terminate(OnTerminate);
}

void* MapPages(size_t size) {
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}

// The guard's frame and signal stack for one RunGuarded, given back however it ends: normally,
// after a fault, or unwound by thread cancellation or a catch outside the guard.
class GuardScope {
  public:
    explicit GuardScope(FaultReporter reporter) {
        void* pages = MapPages(sizeof(GuardFrame));
        if (!pages) {
            return;
        }
        m_frame = new (pages) GuardFrame;
        m_frame->outer = activeFrame;
        m_frame->reporter = reporter;
        stack_t signalStack{};
        signalStack.ss_sp = MapPages(kSignalStackSize);
        signalStack.ss_size = kSignalStackSize;
        m_signalStack = signalStack.ss_sp;
        m_ownSignalStack = m_signalStack && sigaltstack(&signalStack, &m_previousStack) == 0;
    }
    ~GuardScope() {
        if (!m_frame) {
            return;
        }
        activeFrame = m_frame->outer;
        if (m_ownSignalStack) {
            sigaltstack(&m_previousStack, nullptr);
        }
        if (m_signalStack) {
            munmap(m_signalStack, kSignalStackSize);
        }
        m_frame->~GuardFrame();
        munmap(m_frame, sizeof(GuardFrame));
    }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

    GuardFrame* frame() const { return m_frame; }

  private:
    GuardFrame* m_frame = nullptr;
    void* m_signalStack = nullptr;
    bool m_ownSignalStack = false;
    stack_t m_previousStack{};
};

// Runs the body and tells whether a fault ended it. Kept apart so that nothing the caller
// holds lives in the frame that the handlers jump back into.
bool RunBody(GuardFrame* frame, ThreadEntry body, void* argument) {
    if (sigsetjmp(frame->resume, 1) != 0) {
        return false;
    }
    activeFrame = frame;
    body(argument);
    activeFrame = frame->outer;
    return true;
}

}  // namespace

bool RunGuarded(ThreadEntry body, void* argument, FaultReporter reporter) {
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
    // Started now: once a fault has happened, neither the heap nor fork may be usable.
    crashserver::Start();

    GuardScope scope(reporter);
    GuardFrame* frame = scope.frame();
    if (!frame) {
        body(argument);
        return true;
    }
    if (RunBody(frame, body, argument)) {
        return true;
    }
    if (frame->exception) {
        abi::__cxa_end_catch();  // frees the exception, which nothing will handle now
    }
    if (!frame->reported && reporter) {
        // No crash server: reported from here, with what the record holds.
        FaultRecord fault = frame->request.fault;
        fault.thread = nullptr;
        reporter(&fault);
    }
    return false;
}

FaultCleanup::FaultCleanup(void (*undo)(void*), void* argument) {
    GuardFrame* frame = activeFrame;
    if (!frame || frame->cleanupCount >= kMaxCleanups) {
        return;
    }
    frame->cleanups[frame->cleanupCount] = {undo, argument};
    std::atomic_signal_fence(std::memory_order_release);
    frame->cleanupCount = frame->cleanupCount + 1;
    m_registered = true;
}

FaultCleanup::~FaultCleanup() {
    if (m_registered && activeFrame) {
        activeFrame->cleanupCount = activeFrame->cleanupCount - 1;
    }
}

}  // namespace platform

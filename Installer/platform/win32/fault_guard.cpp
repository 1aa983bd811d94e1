// The fault guard of worker threads on Windows. GCC has no __try, so a vectored exception
// handler, installed once, watches for faults; it acts only on threads inside RunGuarded and
// only on the codes that mean a fault (an access violation, a bad instruction, a stack overflow,
// ...), never on exceptions that code raises to be handled (a C++ throw, a debug message). The
// fault is reported right there, on the faulting thread with its stack as the fault left it, as
// an exception filter would; then the handler points the thread's context at a function that
// jumps back to the guard, and lets the system continue the thread there. The thread leaves its
// faulted frames without unwinding them, and RunGuarded returns as if the body had returned.
// A C++ exception that nothing catches reaches the terminate handler from the throw itself, with
// the throwing frames still on the stack, and abort() its signal handler; both are reported from
// there the same way.
// Why a vectored handler rather than the unhandled-exception filter: it is called first, on the
// faulting thread, whatever the frames below it (Wine's own included) do with the exception; the
// filter is one per process and comes last. The price: a fault that a structured handler inside
// the guarded work would have handled counts too; the work guarded here has none.
// Why jump back rather than ExitThread from the handler: RunGuarded must return, so that the
// thread object is deleted and the C runtime's thread data released as after a normal return.
#include <cxxabi.h>
#include <malloc.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>

#include "platform/Thread.h"
#include "platform/gcc/exception_text.h"
#include "platform/win32/thread_state.h"

namespace platform {
namespace {

constexpr int kMaxCleanups = 16;
// Left to the exception handler after a stack overflow; the report itself runs on a thread of
// its own, with a whole stack.
constexpr ULONG kStackGuarantee = 64 * 1024;
// The code GCC's runtime raises for a C++ throw ("GCC"); it names the exception in the dump.
constexpr DWORD kGccThrowCode = 0x20474343;
constexpr DWORD kHeapCorruptionCode = 0xC0000374;
// The code with which the Windows runtime reports an abort().
constexpr DWORD kFatalAppExitCode = 0x40000015;

struct Cleanup {
    void (*undo)(void*);
    void* argument;
};

// Allocated with VirtualAlloc, not on the heap: a fault may leave the heap unusable.
struct GuardFrame {
    void* resume[5];  // __builtin_setjmp's buffer
    ThreadState state;
    FaultRecord fault;
    Cleanup cleanups[kMaxCleanups];
    volatile int cleanupCount = 0;
    FaultReporter reporter = nullptr;
    GuardFrame* outer = nullptr;
    bool exception = false;  // a C++ exception that __cxa_throw marked as caught before terminate
    DWORD code = 0;
};

// Per-thread slots of the system's own thread-local storage: readable in an exception handler
// without allocating, unlike the compiler's emulated thread_local.
DWORD activeSlot = TLS_OUT_OF_INDEXES;  // the innermost guard of the thread
DWORD resumeSlot = TLS_OUT_OF_INDEXES;  // the guard that a fault is returning to
std::terminate_handler previousTerminate = nullptr;
void(__cdecl* previousAbort)(int) = SIG_DFL;

GuardFrame* ActiveFrame() {
    // TlsGetValue clears the last error, which the faulting code may still read.
    const DWORD lastError = GetLastError();
    auto* frame = static_cast<GuardFrame*>(TlsGetValue(activeSlot));
    SetLastError(lastError);
    return frame;
}

bool IsFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_INVALID_OPERATION:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_UNDERFLOW:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_STACK_CHECK:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_NONCONTINUABLE_EXCEPTION:
        case kHeapCorruptionCode:
            return true;
        default:
            return false;
    }
}

void Describe(const EXCEPTION_RECORD& record, FaultRecord* fault) {
    fault->kind = FaultKind::SystemException;
    fault->signalCode = static_cast<int>(record.ExceptionCode);
    fault->address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
    const char* access = nullptr;
    if ((record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
         record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
        record.NumberParameters >= 2) {
        // The data address, as a signal's si_addr is; the instruction is in the context.
        fault->address = static_cast<uintptr_t>(record.ExceptionInformation[1]);
        access = record.ExceptionInformation[0] == 0   ? "reading"
                 : record.ExceptionInformation[0] == 8 ? "executing"
                                                       : "writing";
    }
    if (access) {
        std::snprintf(fault->description, sizeof fault->description, "exception 0x%08lX %s 0x%llx",
                      record.ExceptionCode, access,
                      static_cast<unsigned long long>(fault->address));
    } else {
        std::snprintf(fault->description, sizeof fault->description, "exception 0x%08lX",
                      record.ExceptionCode);
    }
}

void CallReporter(GuardFrame* frame) {
    if (frame->reporter) {
        frame->reporter(&frame->fault);
    }
}

DWORD WINAPI ReportOnItsOwnStack(void* frame) {
    CallReporter(static_cast<GuardFrame*>(frame));
    return 0;
}

// Releases what the thread holds (on the thread itself: a mutex has to be unlocked by its
// owner), then has the fault reported while the thread's stack is still as the fault left it.
void Report(GuardFrame* frame) {
    for (int i = frame->cleanupCount - 1; i >= 0; --i) {
        frame->cleanups[i].undo(frame->cleanups[i].argument);
    }
    frame->cleanupCount = 0;
    ThreadState& state = frame->state;
    state.pointers.ExceptionRecord = &state.record;
    state.pointers.ContextRecord = &state.context;
    frame->fault.threadId = static_cast<long>(GetCurrentThreadId());
    frame->fault.processId = 0;
    frame->fault.thread = &state;
    frame->code = state.record.ExceptionCode;
    if (frame->code == EXCEPTION_STACK_OVERFLOW) {
        // What is left of the stack may not hold a dump writer and a message box: the report
        // runs on a thread of its own while this one waits.
        if (HANDLE reporting = CreateThread(nullptr, 0, &ReportOnItsOwnStack, frame, 0, nullptr)) {
            WaitForSingleObject(reporting, INFINITE);
            CloseHandle(reporting);
            return;
        }
    }
    CallReporter(frame);
}

[[noreturn]] void ResumeAtGuard() {
    auto* frame = static_cast<GuardFrame*>(TlsGetValue(resumeSlot));
    __builtin_longjmp(frame->resume, 1);
}

// Continues the thread in ResumeAtGuard, on its own stack a little below where it faulted,
// aligned as a function finds the stack just after a call.
void RedirectToGuard(CONTEXT* context) {
#if defined(_M_X64) || defined(__x86_64__)
    context->Rsp = ((context->Rsp - 512) & ~DWORD64{15}) - 8;
    context->Rip = reinterpret_cast<DWORD64>(&ResumeAtGuard);
#else
    context->Esp = ((context->Esp - 512) & ~DWORD{15}) - 4;
    context->Eip = reinterpret_cast<DWORD>(&ResumeAtGuard);
#endif
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
    if (!IsFault(info->ExceptionRecord->ExceptionCode)) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    GuardFrame* frame = ActiveFrame();
    if (!frame) {
        return EXCEPTION_CONTINUE_SEARCH;  // not a guarded thread: the fault's usual effect
    }
    TlsSetValue(activeSlot, frame->outer);  // a fault from here on is not this guard's to catch
    frame->state.record = *info->ExceptionRecord;
    frame->state.record.ExceptionRecord = nullptr;
    frame->state.context = *info->ContextRecord;
    Describe(frame->state.record, &frame->fault);
    Report(frame);
    if (info->ExceptionRecord->ExceptionCode == kHeapCorruptionCode) {
        // The heap's own checks found it corrupt: nothing may free memory any more, this
        // thread's end included. Reported; now the process ends as the fault would end it.
        TerminateProcess(GetCurrentProcess(), kHeapCorruptionCode);
    }
    TlsSetValue(resumeSlot, frame);
    RedirectToGuard(info->ContextRecord);
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Reports a fault that no exception brought, with the registers of this point as its context and
// `code` as its exception, then goes back to the guard.
[[noreturn]] void ReportHereAndResume(GuardFrame* frame, DWORD code) {
    RtlCaptureContext(&frame->state.context);
    EXCEPTION_RECORD& record = frame->state.record;
    record = {};
    record.ExceptionCode = code;
#if defined(_M_X64) || defined(__x86_64__)
    record.ExceptionAddress = reinterpret_cast<void*>(frame->state.context.Rip);
#else
    record.ExceptionAddress = reinterpret_cast<void*>(frame->state.context.Eip);
#endif
    frame->fault.address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
    Report(frame);
    __builtin_longjmp(frame->resume, 1);
}

// Nothing between the guard and the thread's start catches an exception, so the search for a
// handler ends at the bottom of the stack and __cxa_throw calls terminate from the throw itself.
void OnTerminate() {
    GuardFrame* frame = ActiveFrame();
    if (!frame) {
        if (previousTerminate) {
            previousTerminate();
        }
        std::abort();
    }
    TlsSetValue(activeSlot, frame->outer);
    frame->exception = abi::__cxa_current_exception_type() != nullptr;
    FaultRecord& fault = frame->fault;
    fault.kind = FaultKind::Exception;
    if (frame->exception) {
        backend::DescribeCurrentException(fault.description, sizeof fault.description);
    } else {
        std::snprintf(fault.description, sizeof fault.description, "terminate called");
    }
    // The dump's exception stream shows the throw as the code GCC raises for one.
    ReportHereAndResume(frame, kGccThrowCode);
}

// abort() on a guarded thread (a failed assertion, the runtime giving up): the C runtime calls
// the handler on that thread before it would end the process.
void __cdecl OnAbort(int signalNumber) {
    signal(SIGABRT, &OnAbort);  // the runtime resets the handler before calling it
    GuardFrame* frame = ActiveFrame();
    if (!frame) {
        if (previousAbort != SIG_DFL && previousAbort != SIG_IGN && previousAbort != SIG_ERR) {
            previousAbort(signalNumber);
        }
        return;  // abort() then ends the process, as it would have without us
    }
    TlsSetValue(activeSlot, frame->outer);
    FaultRecord& fault = frame->fault;
    fault.kind = FaultKind::Signal;
    fault.signal = SIGABRT;
    std::snprintf(fault.description, sizeof fault.description, "abort called");
    ReportHereAndResume(frame, kFatalAppExitCode);
}

void InstallHandlers() {
    activeSlot = TlsAlloc();
    resumeSlot = TlsAlloc();
    if (activeSlot == TLS_OUT_OF_INDEXES || resumeSlot == TLS_OUT_OF_INDEXES) {
        return;
    }
    AddVectoredExceptionHandler(1, &OnException);
    previousTerminate = std::set_terminate(OnTerminate);
    previousAbort = signal(SIGABRT, &OnAbort);
}

// The guard's frame for one RunGuarded, given back however it ends: normally, after a fault,
// or unwound by a catch outside the guard.
class GuardScope {
  public:
    explicit GuardScope(FaultReporter reporter) {
        if (activeSlot == TLS_OUT_OF_INDEXES) {
            return;
        }
        void* pages =
            VirtualAlloc(nullptr, sizeof(GuardFrame), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!pages) {
            return;
        }
        m_frame = new (pages) GuardFrame;
        m_frame->outer = ActiveFrame();
        m_frame->reporter = reporter;
    }
    ~GuardScope() {
        if (!m_frame) {
            return;
        }
        TlsSetValue(activeSlot, m_frame->outer);
        m_frame->~GuardFrame();
        VirtualFree(m_frame, 0, MEM_RELEASE);
    }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

    GuardFrame* frame() const { return m_frame; }

  private:
    GuardFrame* m_frame = nullptr;
};

// Runs the body and tells whether a fault ended it. Kept apart so that nothing the caller
// holds lives in the frame that the handlers jump back into.
__attribute__((noinline)) bool RunBody(GuardFrame* frame, ThreadEntry body, void* argument) {
    if (__builtin_setjmp(frame->resume) != 0) {
        return false;
    }
    TlsSetValue(activeSlot, frame);
    body(argument);
    TlsSetValue(activeSlot, frame->outer);
    return true;
}

}  // namespace

bool RunGuarded(ThreadEntry body, void* argument, FaultReporter reporter) {
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
    ULONG guarantee = kStackGuarantee;
    SetThreadStackGuarantee(&guarantee);

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
    if (frame->code == EXCEPTION_STACK_OVERFLOW) {
        _resetstkoflw();  // the guard page again, so that a later overflow is caught too
    }
    return false;
}

FaultCleanup::FaultCleanup(void (*undo)(void*), void* argument) {
    GuardFrame* frame = activeSlot == TLS_OUT_OF_INDEXES ? nullptr : ActiveFrame();
    if (!frame || frame->cleanupCount >= kMaxCleanups) {
        return;
    }
    frame->cleanups[frame->cleanupCount] = {undo, argument};
    std::atomic_signal_fence(std::memory_order_release);
    frame->cleanupCount = frame->cleanupCount + 1;
    m_registered = true;
}

FaultCleanup::~FaultCleanup() {
    GuardFrame* frame = m_registered ? ActiveFrame() : nullptr;
    if (frame) {
        frame->cleanupCount = frame->cleanupCount - 1;
    }
}

}  // namespace platform

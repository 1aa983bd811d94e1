// The minidump writer on Windows: the system's own, MiniDumpWriteDump of dbghelp, with the
// fault's exception and registers as the guard captured them.
#include "platform/Minidump.h"

// windows.h (through thread_state.h) before dbghelp.h, which needs its types.
#include "platform/win32/thread_state.h"

#include <dbghelp.h>

#include "platform/Unicode.h"

namespace platform {

bool WriteMinidump(const std::string& path, const FaultRecord* fault) {
    // A dump of another process is not something this backend is asked for: faults are
    // reported from the faulting process itself.
    if (fault && fault->processId != 0 &&
        static_cast<DWORD>(fault->processId) != GetCurrentProcessId()) {
        return false;
    }
    const std::wstring widePath = Utf8ToUtf16(path);
    // A new file only, which nothing planted beforehand can stand in for.
    HANDLE file = CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    MINIDUMP_EXCEPTION_INFORMATION exception{};
    const bool withException = fault && fault->thread;
    if (withException) {
        exception.ThreadId = static_cast<DWORD>(fault->threadId);
        // The record and context were copied into this process's memory by the guard.
        exception.ExceptionPointers = const_cast<EXCEPTION_POINTERS*>(&fault->thread->pointers);
        exception.ClientPointers = FALSE;
    }
    const auto type = static_cast<MINIDUMP_TYPE>(MiniDumpWithDataSegs | MiniDumpWithFullMemoryInfo |
                                                 MiniDumpWithThreadInfo);
    bool written = MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, type,
                                     withException ? &exception : nullptr, nullptr, nullptr);
    written = CloseHandle(file) && written;
    if (!written) {
        DeleteFileW(widePath.c_str());
    }
    return written;
}

}  // namespace platform

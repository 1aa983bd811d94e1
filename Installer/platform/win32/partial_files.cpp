// Partial files of whole-file replacement: named after the writing process, so that a later run
// can tell a killed writer's leftovers from a running one's work.
#include "platform/win32/partial_files.h"

#include <atomic>
#include <cwchar>
#include <mutex>
#include <set>

#include "platform/Files.h"
#include "platform/Unicode.h"

namespace platform {
namespace {

struct OpenPartials {
    std::mutex mutex;
    std::set<std::wstring> paths;
    bool closing = false;
};

OpenPartials& Partials() {
    static auto* partials = new OpenPartials;  // still usable by a worker during exit
    return *partials;
}

void SplitPath(const std::wstring& path, std::wstring* folder, std::wstring* name) {
    const size_t separator = path.find_last_of(L"\\/");
    *folder = separator == std::wstring::npos ? L"" : path.substr(0, separator + 1);
    *name = separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// The writer's process id of a partial file of `name`, or 0 when `entry` is not one.
DWORD WriterOf(const std::wstring& entry, const std::wstring& name) {
    const std::wstring prefix = L"." + name + L".";
    const std::wstring suffix = L".part";
    if (entry.size() <= prefix.size() + suffix.size() ||
        _wcsnicmp(entry.c_str(), prefix.c_str(), prefix.size()) != 0 ||
        _wcsicmp(entry.c_str() + entry.size() - suffix.size(), suffix.c_str()) != 0) {
        return 0;
    }
    const std::wstring middle =
        entry.substr(prefix.size(), entry.size() - prefix.size() - suffix.size());
    const size_t dash = middle.find(L'-');
    if (dash == 0 || dash == std::wstring::npos ||
        middle.find_first_not_of(L"0123456789-") != std::wstring::npos) {
        return 0;
    }
    return static_cast<DWORD>(std::wcstoul(middle.substr(0, dash).c_str(), nullptr, 10));
}

// Whether a process of that id still runs. An id that cannot be opened for another reason
// (another user's process) counts as running: its file is left alone.
bool ProcessRuns(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) {
        return GetLastError() != ERROR_INVALID_PARAMETER;
    }
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

}  // namespace

namespace win32 {

std::wstring PartialFileName(const std::wstring& path) {
    static std::atomic<unsigned> counter{0};
    std::wstring folder, name;
    SplitPath(path, &folder, &name);
    // Numbers made narrow: the wide formatting would bring a whole printf into the program.
    return folder + L"." + name + L"." +
           Utf8ToUtf16(std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(counter.fetch_add(1))) +
           L".part";
}

HANDLE CreatePartialFile(const std::wstring& partial) {
    OpenPartials& partials = Partials();
    // Created and recorded in one step, so that the removal on the way out misses none.
    std::lock_guard<std::mutex> lock(partials.mutex);
    if (partials.closing) {
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        partials.paths.insert(partial);
    }
    return file;
}

void EndPartialFile(const std::wstring& partial) {
    OpenPartials& partials = Partials();
    std::lock_guard<std::mutex> lock(partials.mutex);
    partials.paths.erase(partial);
}

void RemoveStalePartialFiles(const std::wstring& path) {
    std::wstring folder, name;
    SplitPath(path, &folder, &name);
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"." + name + L".*.part").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const DWORD writer = WriterOf(entry.cFileName, name);
        // Only a writer that is gone: another installer may be writing this very moment.
        if (writer != 0 && writer != GetCurrentProcessId() && !ProcessRuns(writer)) {
            DeleteFileW((folder + entry.cFileName).c_str());
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

}  // namespace win32

void RemoveUnfinishedFiles() {
    OpenPartials& partials = Partials();
    std::lock_guard<std::mutex> lock(partials.mutex);
    partials.closing = true;
    for (const std::wstring& partial : partials.paths) {
        // Opened with FILE_SHARE_DELETE: a worker still writing it loses it when it closes it.
        DeleteFileW(partial.c_str());
    }
    partials.paths.clear();
}

namespace {

std::atomic<int> interruptExitCode{0};

// Runs on a thread of its own that the system starts for the console event.
BOOL WINAPI EndOnInterrupt(DWORD) {
    RemoveUnfinishedFiles();
    ExitProcess(static_cast<UINT>(interruptExitCode.load()));
}

}  // namespace

void RemoveUnfinishedFilesOnInterrupt(int exitCode) {
    interruptExitCode.store(exitCode);
    SetConsoleCtrlHandler(EndOnInterrupt, TRUE);
}

}  // namespace platform

// Process ids, command line and elevated relaunch, local time and the user's folders on Windows.
#include "platform/Process.h"

// windows.h before the other system headers, which need its types.
#include "platform/win32/windows_api.h"

#include <shellapi.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/Files.h"
#include "platform/Unicode.h"

namespace platform {
namespace {

// One argument as the C runtime's parser (and CommandLineToArgvW) reads it back: quoted when it
// holds blanks or quotes or is empty, with the backslashes before a quote doubled.
void AppendQuoted(const std::wstring& argument, std::wstring* line) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        *line += argument;
        return;
    }
    *line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line->append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        *line += c;
    }
    line->append(2 * backslashes, L'\\');
    *line += L'"';
}

bool IsUsableHandle(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Points a standard stream that had no handle at start-up at the console.
void ReopenOnConsole(FILE* stream, int descriptor) {
    if (std::freopen("CONOUT$", "w", stream)) {
        return;
    }
#ifndef _UCRT
    // Wine's msvcrt will not reopen a stream whose descriptor was invalid at start-up, as
    // Windows' own does: the descriptor gets the console, and the stream its descriptor back.
    HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        return;
    }
    const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(console), _O_TEXT);
    if (opened < 0) {
        CloseHandle(console);
        return;
    }
    if (_dup2(opened, descriptor) == 0) {
        stream->_file = descriptor;
    }
    _close(opened);
#endif
}

std::wstring WithoutTrailingSeparator(std::wstring folder) {
    // "C:\" keeps its separator: "C:" would mean the drive's current folder.
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

// Windows has no sudo: an elevated program runs with the rights it was given.
bool BecomeInvokingUser(std::string*) {
    return true;
}

void LimitLibrarySearch() {
    // Looked up: Windows 7 has it only with an update.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDirectories = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDirectories) {
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    SetDllDirectoryW(L"");  // where it is missing: at least not the current folder
}

LocalTime CurrentLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

long CurrentProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}

long CurrentThreadId() {
    return static_cast<long>(GetCurrentThreadId());
}

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) {
        return {};
    }
    std::vector<std::string> list;
    for (int i = 1; i < count; ++i) {
        list.push_back(Utf16ToUtf8(arguments[i]));
    }
    LocalFree(arguments);
    return list;
}

std::string CommandLine() {
    std::string joined;
    for (const std::string& argument : CommandLineArguments()) {
        if (!joined.empty()) {
            joined += ' ';
        }
        joined += argument;
    }
    return joined;
}

void ConnectCommandLineOutput() {
    // A window program started from a console has no standard handles; one whose output was
    // redirected keeps what it was given. A write to a closed pipe fails here, and the process
    // goes on.
    const bool outputGiven = IsUsableHandle(GetStdHandle(STD_OUTPUT_HANDLE));
    const bool errorGiven = IsUsableHandle(GetStdHandle(STD_ERROR_HANDLE));
    if (outputGiven && errorGiven) {
        return;
    }
    // Refused when the process has a console already, as Wine gives one to a window program.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
        return;
    }
    if (!outputGiven) {
        ReopenOnConsole(stdout, 1);
    }
    if (!errorGiven) {
        ReopenOnConsole(stderr, 2);
    }
}

bool StartSelf(const std::vector<std::string>& arguments) {
    // The system's own buffer limit for a module path; longer ones need the \\?\ form.
    std::wstring self(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (length == 0 || length >= self.size()) {
        return false;
    }
    self.resize(length);
    std::wstring parameters;
    for (const std::string& argument : arguments) {
        if (!parameters.empty()) {
            parameters += L' ';
        }
        AppendQuoted(Utf8ToUtf16(argument), &parameters);
    }
    // "runas" asks the system for administrator rights; the prompt belongs to the new process.
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOASYNC;
    request.lpVerb = L"runas";
    request.lpFile = self.c_str();
    request.lpParameters = parameters.c_str();
    request.nShow = SW_SHOWDEFAULT;
    return ShellExecuteExW(&request);
}

std::string DocumentsFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK ||
        !FolderExists(Utf16ToUtf8(folder))) {
        return "";
    }
    return Utf16ToUtf8(WithoutTrailingSeparator(folder));
}

std::string TemporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        return "C:\\";
    }
    return Utf16ToUtf8(WithoutTrailingSeparator(folder));
}

std::string PrivateTemporaryFolder(const std::string& name) {
    // The temporary folder is the user's own on Windows (below the profile), so the folder
    // named `name` in it is too.
    std::wstring folder = Utf8ToUtf16(TemporaryFolder());
    if (folder.back() != L'\\') {
        folder += L'\\';
    }
    folder += Utf8ToUtf16(name);
    CreateDirectoryW(folder.c_str(), nullptr);
    return FolderExists(Utf16ToUtf8(folder)) ? Utf16ToUtf8(folder) : "";
}

}  // namespace platform

// Process ids, command line and elevated relaunch, local time and the user's folders on Windows.
#include "platform/Process.h"

// windows.h before the other system headers, which need its types.
#include "platform/win32/windows_api.h"

#include <shellapi.h>
#include <shlobj.h>

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

std::wstring WithoutTrailingSeparator(std::wstring folder) {
    // "C:\" keeps its separator: "C:" would mean the drive's current folder.
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

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

void KeepRunningWhenOutputCloses() {
    // Nothing to do: a write to a closed pipe fails here, and the process goes on.
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

// Helpers of the Windows tests: scratch folders, whole files, running a program, waiting.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "draw/TextConversion.h"
#include "platform/win32/windows_api.h"
#include "support/WaitUntil.h"

namespace wintest {

inline bool Exists(const std::string& path) {
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline std::optional<std::string> ReadFile(const std::string& path) {
    HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    DWORD count = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        content.append(buffer, count);
    }
    CloseHandle(file);
    return content;
}

inline bool WriteFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
        written == content.size();
    return CloseHandle(file) && ok;
}

// Removes a folder and everything in it, read-only files too.
inline void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

// A Linux program (the built installer) as a quoted command of this Wine: by the path of its
// Linux location on drive Z.
inline std::wstring QuotedLinuxProgram(const char* linuxPath) {
    std::wstring path = L"Z:" + Utf8ToWide(linuxPath);
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    return L"\"" + path + L"\"";
}

// A fresh folder below the temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        wchar_t temporary[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temporary);
        for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
            const std::wstring candidate =
                temporary + std::wstring(L"kestrel-test-") + std::to_wstring(n);
            if (CreateDirectoryW(candidate.c_str(), nullptr)) {
                m_path = candidate;
                break;
            }
            if (GetLastError() != ERROR_ALREADY_EXISTS) {
                break;
            }
        }
    }
    ~ScratchFolder() {
        if (!m_path.empty()) {
            RemoveTree(m_path);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path() const { return WideToUtf8(m_path); }
    std::string operator/(const std::string& name) const { return path() + "\\" + name; }

  private:
    std::wstring m_path;
};

// Runs a command line to its end, by default without a console window of its own; its exit
// code, or -1 when it did not start.
inline int Run(const std::wstring& commandLine, DWORD creationFlags = CREATE_NO_WINDOW,
               bool withoutStandardHandles = false) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (withoutStandardHandles) {
        startup.dwFlags = STARTF_USESTDHANDLES;  // and every handle null, as Explorer starts it
    }
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                        nullptr, &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

using testsupport::WaitUntil;

}  // namespace wintest

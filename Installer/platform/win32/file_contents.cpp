// Reading, appending, renaming and removing files on Windows.
#include "platform/Files.h"
#include "platform/SystemError.h"
#include "platform/Unicode.h"
#include "platform/win32/windows_api.h"

namespace platform {

bool ReadFileContents(const std::string& path, std::string* contents) {
    HANDLE file = CreateFileW(Utf8ToUtf16(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string bytes;
    char buffer[1 << 16];
    DWORD count = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &count, nullptr)) && count > 0) {
        bytes.append(buffer, count);
    }
    const DWORD reason = GetLastError();
    CloseHandle(file);
    SetLastError(reason);
    if (ok) {
        *contents = std::move(bytes);
    }
    return ok;
}

int64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Utf8ToUtf16(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return -1;
    }
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool AppendToFile(const std::string& path, const std::string& text) {
    HANDLE file =
        CreateFileW(Utf8ToUtf16(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    return CloseHandle(file) && ok;
}

bool MoveFileReplacing(const std::string& from, const std::string& to) {
    return MoveFileExW(Utf8ToUtf16(from).c_str(), Utf8ToUtf16(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING);
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(Utf8ToUtf16(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool RemoveEmptyFolder(const std::string& path) {
    return RemoveDirectoryW(Utf8ToUtf16(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

std::string LastFileError() {
    return SystemErrorText(static_cast<int>(GetLastError()));
}

}  // namespace platform

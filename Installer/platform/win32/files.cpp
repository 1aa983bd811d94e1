// Folders and whole-file replacement on Windows.
#include "platform/Files.h"

#include "platform/Unicode.h"
#include "platform/win32/partial_files.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsFolderW(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the folders of `path` begin: past "C:\", "\\server\share\" or "\\?\C:\".
size_t RootLength(const std::wstring& path) {
    size_t start = 0;
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == L'?' &&
        IsSeparator(path[3])) {
        start = 4;
    }
    if (path.size() >= start + 2 && path[start + 1] == L':') {
        return start + 2;
    }
    if (start == 0 && path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // Server and share name the root together.
        size_t end = path.find_first_of(L"\\/", 2);
        end = end == std::wstring::npos ? path.size() : path.find_first_of(L"\\/", end + 1);
        return end == std::wstring::npos ? path.size() : end;
    }
    return start;
}

// Copies the bytes into the file in pieces that WriteFile's count can hold; true when every
// byte was written.
bool WriteAll(HANDLE file, const void* data, size_t size) {
    constexpr size_t kPiece = 1u << 30;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD piece = static_cast<DWORD>(size < kPiece ? size : kPiece);
        DWORD written = 0;
        if (!WriteFile(file, bytes, piece, &written, nullptr) || written == 0) {
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool FolderExists(const std::string& path) {
    return IsFolderW(Utf8ToUtf16(path));
}

bool CreateFolder(const std::string& path) {
    const std::wstring wide = Utf8ToUtf16(path);
    return CreateDirectoryW(wide.c_str(), nullptr) ||
           (GetLastError() == ERROR_ALREADY_EXISTS && IsFolderW(wide));
}

bool CreateFolders(const std::string& path) {
    const std::wstring wide = Utf8ToUtf16(path);
    for (size_t i = RootLength(wide) + 1; i < wide.size(); ++i) {
        if (IsSeparator(wide[i]) && !IsSeparator(wide[i - 1])) {
            CreateDirectoryW(wide.substr(0, i).c_str(), nullptr);
        }
    }
    return CreateFolder(path);
}

// The installer runs as the user who started it, elevated or not: what it creates is theirs.
void HandToInvokingUser(const std::string&) {}

std::string ChildPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        return folder + name;
    }
    return folder + "\\" + name;
}

bool BackslashSeparatesFolders() {
    return true;
}

ReplaceResult ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                  int* systemError) {
    DWORD error = 0;
    // Keeps the code of the first call that failed: the clean-up's calls would overwrite it.
    const auto check = [&error](bool succeeded) {
        if (!succeeded && error == 0) {
            error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
        }
        return succeeded;
    };
    const auto result = [&error, systemError](ReplaceResult outcome) {
        if (systemError) {
            *systemError = outcome == ReplaceResult::Replaced ? 0 : static_cast<int>(error);
        }
        return outcome;
    };

    const std::wstring target = Utf8ToUtf16(path);
    // The target must be a file that could be opened for writing, as it would be if it were
    // overwritten in place: a read-only file, a folder or a file in use without write sharing
    // (a loaded plug-in) is refused here.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Asked first: the file system of a process with every right (Wine run as root) would
        // let the probe below open a read-only file.
        if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
            error = ERROR_ACCESS_DENIED;  // what opening it for writing would have said
            return result(ReplaceResult::CannotCreate);
        }
        HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (!check(probe != INVALID_HANDLE_VALUE)) {
            return result(ReplaceResult::CannotCreate);
        }
        CloseHandle(probe);
    }

    win32::RemoveStalePartialFiles(target);
    const std::wstring partial = win32::PartialFileName(target);
    SetLastError(0);
    HANDLE file = win32::CreatePartialFile(partial);
    if (!check(file != INVALID_HANDLE_VALUE)) {
        return result(ReplaceResult::CannotCreate);
    }
    SetLastError(0);
    bool ok = check(WriteAll(file, data, size));
    ok = ok && check(FlushFileBuffers(file));
    ok = check(CloseHandle(file)) && ok;
    // A rename in the same folder: the old file stays whole until the new one takes its place.
    ok = ok && check(MoveFileExW(partial.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    if (!ok) {
        DeleteFileW(partial.c_str());
    }
    win32::EndPartialFile(partial);
    return result(ok ? ReplaceResult::Replaced : ReplaceResult::WriteFailed);
}

}  // namespace platform

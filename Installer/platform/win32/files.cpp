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

std::string ChildPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        return folder + name;
    }
    return folder + "\\" + name;
}

bool BackslashSeparatesFolders() {
    return true;
}

namespace {

// Opens the folder that holds `path` and keeps it where it is while the handle is open: without
// delete sharing it cannot be renamed, and neither can the folders above it, so nothing can be
// swapped in along the path meanwhile. A junction or link in its place is refused.
HANDLE PinContainingFolder(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    // A root keeps its separator: "C:" alone is the drive's current folder.
    const size_t end = separator > RootLength(path) ? separator : separator + 1;
    HANDLE folder = CreateFileW(path.substr(0, end).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION information;
    if (folder != INVALID_HANDLE_VALUE &&
        (!GetFileInformationByHandle(folder, &information) ||
         !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
         (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(folder);
        SetLastError(ERROR_ACCESS_DENIED);  // a link is not ours to enter
        return INVALID_HANDLE_VALUE;
    }
    return folder;
}

// Keeps the code of the first call that failed: the clean-up's calls would overwrite it.
class FirstError {
  public:
    bool Check(bool succeeded) {
        if (!succeeded && error_ == 0) {
            error_ = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
        }
        return succeeded;
    }
    void Set(DWORD error) { error_ = error; }
    DWORD error() const { return error_; }

  private:
    DWORD error_ = 0;
};

ReplaceResult ReplaceIn(const std::wstring& target, const void* data, size_t size,
                        FirstError& failure) {
    // The target must be a file that could be opened for writing, as it would be if it were
    // overwritten in place: a read-only file, a folder, a link or a file in use without write
    // sharing (a loaded plug-in) is refused here.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Asked first: the file system of a process with every right (Wine run as root) would
        // let the probe below open a read-only file.
        if (attributes &
            (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
            failure.Set(ERROR_ACCESS_DENIED);  // what opening it for writing would have said
            return ReplaceResult::CannotCreate;
        }
        HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (!failure.Check(probe != INVALID_HANDLE_VALUE)) {
            return ReplaceResult::CannotCreate;
        }
        CloseHandle(probe);
    }

    win32::RemoveStalePartialFiles(target);
    const std::wstring partial = win32::PartialFileName(target);
    SetLastError(0);
    HANDLE file = win32::CreatePartialFile(partial);
    if (!failure.Check(file != INVALID_HANDLE_VALUE)) {
        return ReplaceResult::CannotCreate;
    }
    SetLastError(0);
    bool ok = failure.Check(WriteAll(file, data, size));
    ok = ok && failure.Check(FlushFileBuffers(file));
    ok = failure.Check(CloseHandle(file)) && ok;
    // A rename in the same folder: the old file stays whole until the new one takes its place.
    ok = ok && failure.Check(MoveFileExW(partial.c_str(), target.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    if (!ok) {
        DeleteFileW(partial.c_str());
    }
    win32::EndPartialFile(partial);
    return ok ? ReplaceResult::Replaced : ReplaceResult::WriteFailed;
}

}  // namespace

ReplaceResult ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                  int* systemError) {
    const std::wstring target = Utf8ToUtf16(path);
    FirstError failure;
    HANDLE folder = PinContainingFolder(target);
    ReplaceResult result = ReplaceResult::CannotCreate;
    if (failure.Check(folder != INVALID_HANDLE_VALUE)) {
        result = ReplaceIn(target, data, size, failure);
        CloseHandle(folder);
    }
    if (systemError) {
        *systemError = result == ReplaceResult::Replaced ? 0 : static_cast<int>(failure.error());
    }
    return result;
}

}  // namespace platform

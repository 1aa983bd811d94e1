// Folders and whole-file writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// True when `path` names an existing folder (a link to one counts).
bool FolderExists(const std::string& path);

// Creates the last level of `path`; true when a folder stands there afterwards.
bool CreateFolder(const std::string& path);
// Creates every missing level of `path`; true when a folder stands there afterwards.
bool CreateFolders(const std::string& path);

// The path of `name` inside `folder`, both file-system paths, joined with the platform's separator.
std::string ChildPath(const std::string& folder, const std::string& name);

// False where `\` is an ordinary character of file names, true where it separates folders.
bool BackslashSeparatesFolders();

enum class ReplaceResult {
    Replaced,      // `path` now holds exactly the given bytes
    CannotCreate,  // the file could not be created or opened for writing; nothing changed
    WriteFailed,   // writing, flushing or the final replace failed; nothing changed
};

// Makes `size` bytes at `data` the whole content of `path`. The bytes go into a new file beside
// it, which is flushed to disk and then takes the old file's place in one step, so that a
// failure never leaves a truncated file where a complete one stood. A replaced file keeps its
// permissions; the new file belongs to whoever the program runs as. The folder holding the file
// is not entered through a link, and only a file that could be written in place is replaced:
// a link, folder or device there gives CannotCreate. On failure, `systemError` (when given)
// receives the system's error number of the step that failed (see SystemError.h), or 0 when
// the program refused by itself.
ReplaceResult ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                  int* systemError = nullptr);

// The whole content of the file `path`; false when it cannot be read.
bool ReadFileContents(const std::string& path, std::string* contents);

// The size of the file `path` in bytes; -1 when there is none.
int64_t FileSize(const std::string& path);

// Adds `text` at the end of `path`, creating it where it is missing; false when it could not.
bool AppendToFile(const std::string& path, const std::string& text);

// Renames the file `from` to `to`, replacing a file there.
bool MoveFileReplacing(const std::string& from, const std::string& to);

// Removes the file `path` (not a folder); false when it is still there.
bool RemoveFile(const std::string& path);

// Removes the folder `path` when it is empty; false when it is still there.
bool RemoveEmptyFolder(const std::string& path);

// The system's reason for the last file call above of this thread that failed, in its own words
// (platform/SystemError.h).
std::string LastFileError();

// On the way out of the process: removes the new files of replacements still being written (a
// worker the user left behind), and lets no further one begin. Leftovers of a process that was
// killed are removed by the next replacement of the same file.
void RemoveUnfinishedFiles();

// From now on an interrupt (Ctrl+C, a closed terminal or console, a request to end) removes the
// new files of replacements still being written, then ends the process with `exitCode`.
void RemoveUnfinishedFilesOnInterrupt(int exitCode);

}  // namespace platform

// The new files that whole-file replacement writes beside their targets before they take their
// place: their names, the ones this process has open, and the leftovers of ended processes.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// A name beside `path` that no other write uses: ".<name>.<pid>-<n>.part".
std::wstring PartialFileName(const std::wstring& path);
// Creates the partial file (new only, for writing) and records it: INVALID_HANDLE_VALUE when it
// can't be created, or once the process is removing its own on the way out. EndPartialFile
// forgets it again.
HANDLE CreatePartialFile(const std::wstring& partial);
void EndPartialFile(const std::wstring& partial);
// Removes the partial files of `path` that processes no longer running left behind.
void RemoveStalePartialFiles(const std::wstring& path);

}  // namespace platform::win32

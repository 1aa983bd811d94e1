// The new files that whole-file replacement writes beside their targets before they take their
// place: their names, the ones this process has open, and the leftovers of ended processes.
#pragma once

#include <string>

namespace platform::posix {

// A name beside `path` that no other write uses: ".<name>.<pid>-<n>.part".
std::string PartialFileName(const std::string& path);
// Creates the partial file (new only, for writing) and records it: -1 when it can't be created,
// or once the process is removing its own on the way out. EndPartialFile forgets it again.
int CreatePartialFile(const std::string& partial);
void EndPartialFile(const std::string& partial);
// Removes the partial files of `path` that processes no longer running left behind.
void RemoveStalePartialFiles(const std::string& path);

}  // namespace platform::posix

// The new files that whole-file replacement writes beside their targets before they take their
// place: their names, the ones this process has open, and the leftovers of ended processes. All
// of them are found relative to an open folder, never by a path that could be changed meanwhile.
#pragma once

#include <string>

namespace platform::posix {

// A name for a new file beside `name` that no other write uses: ".<name>.<pid>-<n>.part".
std::string PartialFileName(const std::string& name);
// Creates the partial file `partial` in the open folder `folder` (new only, never through a
// link, for writing) and records it for removal on the way out: -1 when it can't be created, or
// once the process is removing its own. EndPartialFile forgets it again.
int CreatePartialFile(int folder, const std::string& partial);
void EndPartialFile(const std::string& partial);
// Removes the partial files of `name` in the open folder `folder` that processes no longer
// running left behind.
void RemoveStalePartialFiles(int folder, const std::string& name);

}  // namespace platform::posix

// Where a host's folder, as its registry entry names it, lies in this machine's file system.
#pragma once

#include <string>

namespace platform {

// `hostPathUtf8` is a host folder (or a file below one, separators `\` or `/`), e.g.
// "C:\Program Files\Adobe\Plug-ins\Larkspur\Kestrel.aex". Returns the file-system path to open
// or create; components that exist are matched as the host's system would match them, the rest
// keep their spelling. Returns the empty string when the path names no place on this machine
// (a relative path, or a drive that does not exist).
std::string HostPathToFilePath(const std::string& hostPathUtf8);

}  // namespace platform

// Where the installer keeps what outlives a run: its log and the record of what it installed.
#pragma once

#include <string>

namespace platform {

// The log's file unless another is named: $XDG_STATE_HOME/kestrel-installer/install.log on Linux
// (~/.local/state when the variable is unset or not absolute), "%TEMP%\Kestrel 3D install.log"
// on Windows. Its folder may not exist yet.
std::string DefaultLogPath();

// The folder of the record of what was installed: the log's folder on Linux,
// "%ProgramData%\Larkspur\Kestrel 3D" on Windows. It may not exist yet.
std::string InstallRecordFolder();

}  // namespace platform

// What an installation tells its log, and the record it leaves after success; shared by the
// wizard and the command-line mode.
#pragma once

#include "app/HostTable.h"
#include "app/InstallLog.h"
#include "app/InstallWorker.h"

// The name of the entry in the system's list of installed programs.
inline constexpr const char* kUninstallKeyName = "Kestrel 3D";

// The copy of the installer that the entry starts, in the record folder.
std::string UninstallerPath();

// The first lines of every run's log: the version and build, and the command line.
void LogRunHeader(const InstallLog& log);

// The header, the registry searched and each host found with its folder and
// view, and the Custom folder when one was chosen.
void LogInstallStart(const InstallLog& log, const HostTable& hosts);

// Each file written (or left unchanged) with its size and SHA-256, the error with its folder and
// the system's reason, and after success the record of what was installed. `status` is the
// ended worker's.
void LogInstallFiles(const InstallLog& log, const InstallStatus& status);

// The last line: the result and the exit code.
void LogResult(const InstallLog& log, const std::string& result, int exitCode);

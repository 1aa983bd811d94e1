// The crash reporter: a minidump of the process in the user's error-log folder, and a message
// that tells the user where it is.
#pragma once

#include <string>

#include "platform/Minidump.h"
#include "platform/Process.h"

inline constexpr char kCrashCaption[] = "Debug";
inline constexpr char kSupportAddress[] = "support@larkspur.example";

// Writes the dump for `fault` (null: this process, no exception record), shows the message,
// and returns 1 (the fault is handled) in every case. The reporter of every LwThread.
int ReportCrash(const platform::FaultRecord* fault);
// The same without a window, for a run that has no one to click OK: the message goes to the
// standard error stream only.
int ReportCrashOnErrorStream(const platform::FaultRecord* fault);

// "Larkspur/Error Logs" below the documents folder, or "Error Logs" in a folder of the user's
// own in the temporary folder (created here); joined with the system's separator.
std::string CrashLogFolder();
// "<folder>/Kestrel_v1.6.480-YYYYMMDD-HHMMSS-<pid>-<tid>.dmp", with the system's separator
std::string CrashDumpPath(const std::string& logFolder, const platform::LocalTime& time,
                          long processId, long threadId);
std::string CrashMessage(const std::string& dumpPath);

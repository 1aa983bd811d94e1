// After an installation: checking the recorded files (--verify) and removing them (--uninstall).
#pragma once

#include <string>

#include "app/CommandLine.h"
#include "app/InstallRecord.h"
#include "app/InstallWorker.h"

enum class FileState { Ok, Changed, Missing };

const char* FileStateName(FileState state);

// Prints one line per recorded file, "ok", "changed" or "missing", a tab and its path (with
// `json`, one JSON document instead); 0 when all are ok.
int VerifyRecorded(bool json, PayloadFinder findPayload);

// Removes each recorded file that is still as installed, then the makers' folders that the
// installations made if they are empty, then the record; prints "removed" or "kept", a tab and
// the path of each. 0 when nothing had to be kept.
int UninstallRecorded(const CommandLineOptions& options);

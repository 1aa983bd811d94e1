// The command-line mode's actions: the usage, the list of hosts found, and the installation
// without a window. Nothing here opens a display.
#pragma once

#include "app/CommandLine.h"
#include "app/InstallWorker.h"

// Carries out `options` (any action but Wizard), writing to the standard streams, and returns
// the process's exit code. `findPayload` finds the plug-in builds, as for the worker.
int RunCommandLine(const CommandLineOptions& options,
                   PayloadFinder findPayload = &platform::FindResource);

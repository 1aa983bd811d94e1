// Process entry: switches choose the command-line mode; without them the launcher checks the
// display, starts the program again with the elevation marker, and that instance runs the wizard.
#include "app/CommandLine.h"
#include "app/InstallerUI.h"
#include "app/SilentInstall.h"
#include "app/Startup.h"
#include "platform/Accessibility.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <cstdio>

int main() {
    platform::LimitLibrarySearch();
    // Before anything reads a file or starts a child: root working for a user does it all with
    // that user's rights.
    if (std::string why; !platform::BecomeInvokingUser(&why)) {
        std::fprintf(stderr, "cannot work as the user who started the installer: %s\n",
                     why.c_str());
        return 1;
    }
    // Nothing half-written may stay beside a plug-in when the run is stopped from outside.
    platform::RemoveUnfinishedFilesOnInterrupt(kExitInterrupted);
    // Any switch chooses the command-line mode, which never relaunches.
    const CommandLineOptions options = ParseCommandLine(platform::CommandLineArguments());
    if (options.action != CommandLineAction::Wizard) {
        return RunCommandLine(options);
    }
    // Asked before the relaunch: the launcher is the process whose exit code and error stream
    // the user sees.
    if (!CheckDisplay()) {
        return 1;
    }
    if (!IsElevatedInstance(platform::CommandLineArguments())) {
        return RelaunchElevated();
    }
    // The wizard's outcome (installed, cancelled, failed) never changes the exit code.
    auto* wizard = new InstallerUI();
    platform::StartAccessibility();
    wizard->RunModal();
    delete wizard;
    // A worker the user left behind by cancelling ends with the process: nothing half-written
    // may stay beside a plug-in.
    platform::RemoveUnfinishedFiles();
    return 0;
}

// Process entry: the launcher starts the program again with the elevation marker; that instance
// runs the wizard.
#include "app/InstallerUI.h"
#include "app/Startup.h"
#include "platform/Files.h"
#include "platform/Process.h"

int main() {
    if (!IsElevatedInstance(platform::CommandLine())) {
        return RelaunchElevated();
    }
    if (!CheckDisplay()) {
        return 1;
    }
    // The wizard's outcome (installed, cancelled, failed) never changes the exit code.
    auto* wizard = new InstallerUI();
    wizard->RunModal();
    delete wizard;
    // A worker the user left behind by cancelling ends with the process: nothing half-written
    // may stay beside a plug-in.
    platform::RemoveUnfinishedFiles();
    return 0;
}

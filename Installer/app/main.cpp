// Process entry: the launcher starts the program again with the elevation marker; that instance
// runs the wizard.
#include "app/Startup.h"
#include "platform/Process.h"

int main() {
    if (!IsElevatedInstance(platform::CommandLine())) {
        return RelaunchElevated();
    }
    if (!CheckDisplay()) {
        return 1;
    }
    // The wizard runs here, and only here: construct the InstallerUI window, RunModal on it, then
    // delete it. The elevated instance exits 0 whatever the wizard's outcome.
    return 0;
}

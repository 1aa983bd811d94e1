// Starting the installation.
#include "app/InstallerThread.h"

#include "app/CrashReporter.h"

bool InstallerThread::Start(InstallWorker worker) {
    // The crash reporter makes itself every LwThread's default when the program links it;
    // naming it here links it into every program that installs.
    LwThread::SetFaultReporter(&ReportCrash);
    return LwThread::Start(new InstallerThread(std::move(worker)));
}

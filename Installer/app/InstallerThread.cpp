// Starting the installation.
#include "app/InstallerThread.h"

#include "app/CrashReporter.h"

bool InstallerThread::Start(InstallWorker worker) {
    LwThread::SetFaultReporter(&ReportCrash);
    return LwThread::Start(new InstallerThread(std::move(worker)));
}

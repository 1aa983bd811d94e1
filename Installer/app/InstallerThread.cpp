// Starting the installation.
#include "app/InstallerThread.h"

bool InstallerThread::Start(InstallWorker worker, platform::FaultReporter reporter) {
    auto* thread = new InstallerThread(std::move(worker));
    thread->faultReporter = reporter;
    return LwThread::Start(thread);
}

// Starting the installation.
#include "app/InstallerThread.h"

bool InstallerThread::Start(InstallWorker worker) {
    return LwThread::Start(new InstallerThread(std::move(worker)));
}

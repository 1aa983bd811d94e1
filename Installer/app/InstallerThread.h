// The worker thread of the wizard: runs one installation.
#pragma once

#include "app/InstallWorker.h"
#include "toolkit/LwThread.h"

class InstallerThread : public LwThread {
  public:
    explicit InstallerThread(InstallWorker worker) : m_worker(std::move(worker)) {}

    void run() override { m_worker.InstallPlugins(); }

    // Starts the installation on a thread of its own; its faults go to the crash reporter.
    // False when no thread could be started.
    static bool Start(InstallWorker worker);

  private:
    InstallWorker m_worker;
};

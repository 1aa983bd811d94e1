// The worker thread of the wizard: runs one installation.
#pragma once

#include "app/CrashReporter.h"
#include "app/InstallWorker.h"
#include "toolkit/LwThread.h"

class InstallerThread : public LwThread {
  public:
    explicit InstallerThread(InstallWorker worker) : m_worker(std::move(worker)) {}
    // Runs on the worker thread once run() has returned or faulted.
    ~InstallerThread() override { m_worker.Status().MarkWorkerEnded(); }

    void run() override { m_worker.InstallPlugins(); }

    // Starts the installation on a thread of its own; its faults go to `reporter`. False when
    // no thread could be started.
    static bool Start(InstallWorker worker, platform::FaultReporter reporter = &ReportCrash);

  private:
    InstallWorker m_worker;
};

// The install worker: writes the right plug-in build into every ticked host's folder and
// publishes its progress in a status block that the window shares.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/HostTable.h"
#include "platform/Resources.h"

// Step codes: the error code of a failed slot is 10 * (slot + 1) + the step code.
inline constexpr int kStepPayloadMissing = 2;
inline constexpr int kStepPayloadUnreadable = 3;
inline constexpr int kStepCannotCreate = 4;
inline constexpr int kStepWriteFailed = 5;
// Shown as the error code when no thread could be started for the installation; the worker's own
// codes start at 12.
inline constexpr int32_t kNoWorkerThreadError = 1;
// progressStep before the first slot and after the last one.
inline constexpr int32_t kProgressNotStarted = -1;
inline constexpr int32_t kProgressFinished = 7;

// What the worker did in one slot, for the log and the record of what was installed.
struct InstalledFile {
    int slot = 0;
    std::string path;  // of this machine's file system
    bool folderCreated = false;
    int payloadId = 0;
    uint64_t size = 0;
    std::string sha256;
    bool unchanged = false;  // it held the payload already and was left alone
};

// Owned jointly by the window and the worker, so either may go first. The worker stores with
// release and the reader loads with acquire: a reader that sees installDone also sees the
// final installFailed and errorCode.
class InstallStatus {
  public:
    std::atomic<int32_t> progressStep{kProgressNotStarted};
    std::atomic<bool> installDone{false};
    std::atomic<bool> installFailed{false};
    std::atomic<int32_t> errorCode{0};
    // The failed slot's folder and the system's reason, as one line. Written before installDone,
    // so a reader that has seen installDone may read it.
    std::string errorDetail;
    // Each slot the worker finished, in order; written before installDone (or the worker's end),
    // read after it.
    std::vector<InstalledFile> installedFiles;

    // Called from the worker thread whenever the progress changes: it may only post a request.
    void SetRepaintHook(std::function<void()> hook);
    // Once this returns the hook is not running and will never run again; the window calls it
    // before it goes away.
    void DetachRepaintHook();
    void RequestRepaint();

    // The worker's thread raises this as its last act, whether the installation finished or a
    // fault ended it: a waiter that then finds installDone unset knows it never will be.
    void MarkWorkerEnded();
    void WaitForWorkerEnd();

  private:
    std::mutex m_hookMutex;
    std::function<void()> m_repaintHook;
    std::mutex m_endMutex;
    std::condition_variable m_endChanged;
    bool m_workerEnded = false;
};

using PayloadFinder = bool (*)(int type, int id, platform::ResourceBlock* out);

class InstallWorker {
  public:
    // Works on its own copy of the host table, so the window's may go away meanwhile.
    InstallWorker(const HostTable& hosts, std::shared_ptr<InstallStatus> status,
                  PayloadFinder findPayload = &platform::FindResource);

    // Every ticked slot with a folder, in slot order; the first failure ends the installation.
    void InstallPlugins();

    // A file that holds the payload already is left as it is, not written again.
    void KeepMatchingFiles() { m_keepMatchingFiles = true; }

    InstallStatus& Status() const { return *m_status; }

  private:
    int InstallSlot(int slot);
    void Finish(int32_t errorCode);

    std::string m_failure;  // the error's detail line, once a slot failed
    HostTable m_hosts;
    std::shared_ptr<InstallStatus> m_status;
    PayloadFinder m_findPayload;
    bool m_keepMatchingFiles = false;
};

// Makes `path` (a file-system path) hold exactly the payload's bytes. 0 on success, otherwise
// the step code: 3 no payload bytes, 4 the file can't be created, 5 writing or replacing failed.
// `systemError` (when given) receives the system's error number of the failure, or 0.
int WritePayload(const std::string& path, const platform::ResourceBlock* resource,
                 int* systemError = nullptr);

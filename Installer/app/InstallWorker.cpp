// The install worker.
#include "app/InstallWorker.h"

#include <algorithm>

#include "platform/Checksum.h"
#include "platform/Files.h"
#include "platform/HostPaths.h"
#include "platform/SystemError.h"
#include "platform/Thread.h"

namespace {

constexpr const char* kMakerFolder = "Larkspur";
constexpr const char* kPluginFile = "Kestrel.aex";

// Why a step failed, in the system's words where the system refused.
std::string FailureReason(int step, int systemError) {
    if (systemError != 0) {
        return platform::SystemErrorText(systemError);
    }
    switch (step) {
        case kStepPayloadMissing:
            return "the installer holds no plug-in build for it";
        case kStepPayloadUnreadable:
            return "the installer's plug-in build cannot be read";
        case kStepCannotCreate:
            return "no such folder on this computer";
        default:
            return "the installer is closing";
    }
}

}  // namespace

void InstallStatus::SetRepaintHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(m_hookMutex);
    m_repaintHook = std::move(hook);
}

void InstallStatus::DetachRepaintHook() {
    SetRepaintHook(nullptr);
}

void InstallStatus::RequestRepaint() {
    std::lock_guard<std::mutex> lock(m_hookMutex);
    // A fault inside the hook skips the guard's unlock; the window must still be able to detach.
    const platform::FaultCleanup unlock(
        [](void* mutex) { static_cast<std::mutex*>(mutex)->unlock(); }, &m_hookMutex);
    if (m_repaintHook) {
        m_repaintHook();
    }
}

void InstallStatus::MarkWorkerEnded() {
    {
        std::lock_guard<std::mutex> lock(m_endMutex);
        m_workerEnded = true;
    }
    m_endChanged.notify_all();
}

void InstallStatus::WaitForWorkerEnd() {
    std::unique_lock<std::mutex> lock(m_endMutex);
    m_endChanged.wait(lock, [this] { return m_workerEnded; });
}

InstallWorker::InstallWorker(const HostTable& hosts, std::shared_ptr<InstallStatus> status,
                             PayloadFinder findPayload)
    : m_hosts(hosts), m_status(std::move(status)), m_findPayload(findPayload) {}

void InstallWorker::InstallPlugins() {
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        if (!m_hosts.hostSelected[slot] || m_hosts.hostFolder[slot].empty()) {
            continue;
        }
        m_status->progressStep.store(slot, std::memory_order_release);
        m_status->RequestRepaint();
        if (const int step = InstallSlot(slot)) {
            Finish(10 * (slot + 1) + step);
            return;
        }
    }
    m_status->progressStep.store(kProgressFinished, std::memory_order_release);
    m_status->RequestRepaint();
    Finish(0);
}

int InstallWorker::InstallSlot(int slot) {
    std::string folderPath;
    std::string filePath;
    if (slot == kCustomSlot) {
        // The chooser's folder is already a path of this machine's file system.
        folderPath = platform::ChildPath(m_hosts.hostFolder[slot], kMakerFolder);
        filePath = platform::ChildPath(folderPath, kPluginFile);
    } else {
        // The host's own path syntax: separators are appended as they are, and mapped together.
        const std::string pluginFolder = m_hosts.hostFolder[slot] + "\\" + kMakerFolder;
        folderPath = platform::HostPathToFilePath(pluginFolder);
        filePath = platform::HostPathToFilePath(pluginFolder + "\\" + kPluginFile);
    }
    InstalledFile file;
    file.slot = slot;
    file.path = filePath;
    if (!folderPath.empty() && !platform::FolderExists(folderPath)) {
        // One level, and the result does not matter: a failure shows when the file is created.
        file.folderCreated = platform::CreateFolder(folderPath);
    }

    file.payloadId = PayloadIdForSlot(slot, m_hosts.customBitness);
    platform::ResourceBlock payload;
    int systemError = 0;
    int step = kStepPayloadMissing;
    if (m_findPayload(platform::kResourceTypeRcData, file.payloadId, &payload)) {
        std::string existing;
        file.unchanged = m_keepMatchingFiles && payload.data &&
                         platform::ReadFileContents(filePath, &existing) &&
                         existing.size() == payload.size &&
                         std::equal(existing.begin(), existing.end(),
                                    reinterpret_cast<const char*>(payload.data));
        step = file.unchanged ? 0 : WritePayload(filePath, &payload, &systemError);
    }
    if (step != 0) {
        // A host path that names no place on this computer is shown as the host spells it.
        const std::string folder =
            folderPath.empty() ? m_hosts.hostFolder[slot] + "\\" + kMakerFolder : folderPath;
        m_failure = folder + ": " + FailureReason(step, systemError);
        return step;
    }
    file.size = payload.size;
    file.sha256 = platform::Sha256Hex(payload.data, payload.size);
    m_status->installedFiles.push_back(std::move(file));
    return 0;
}

void InstallWorker::Finish(int32_t errorCode) {
    if (errorCode != 0) {
        m_status->errorDetail = m_failure;
        m_status->installFailed.store(true, std::memory_order_release);
        m_status->errorCode.store(errorCode, std::memory_order_release);
    }
    m_status->installDone.store(true, std::memory_order_release);
}

int WritePayload(const std::string& path, const platform::ResourceBlock* resource,
                 int* systemError) {
    if (!resource || !resource->data) {
        return kStepPayloadUnreadable;
    }
    if (path.empty()) {
        return kStepCannotCreate;  // the host path names no place on this machine
    }
    switch (platform::ReplaceFileContents(path, resource->data, resource->size, systemError)) {
        case platform::ReplaceResult::Replaced:
            return 0;
        case platform::ReplaceResult::CannotCreate:
            return kStepCannotCreate;
        case platform::ReplaceResult::WriteFailed:
            break;
    }
    return kStepWriteFailed;
}

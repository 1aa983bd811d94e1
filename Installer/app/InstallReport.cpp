// The log's lines for an installation, and the record after success.
#include "app/InstallReport.h"

#include "app/CommandLine.h"
#include "app/InstallRecord.h"
#include "app/Version.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/RecordFolders.h"
#include "platform/Registry.h"
#include "platform/UninstallEntry.h"

namespace {

// The entry in the system's list of installed programs (on Windows), with its uninstaller.
void RegisterInList(const InstallLog& log, const InstallRecord& record) {
    uint64_t bytes = 0;
    for (const RecordedFile& file : record.files) {
        bytes += file.size;
    }
    const platform::UninstallEntry entry{kUninstallKeyName,
                                         "Kestrel 3D for After Effects",
                                         std::to_string(kVersionMajor) + "." +
                                             std::to_string(kVersionMinor) + "." +
                                             std::to_string(kVersionPatch),
                                         "Larkspur",
                                         platform::InstallRecordFolder(),
                                         static_cast<uint32_t>((bytes + 1023) / 1024)};
    if (!platform::RegisterUninstaller(entry, UninstallerPath())) {
        log.Write("the uninstaller could not be registered: " + platform::LastFileError());
    }
}

}  // namespace

std::string UninstallerPath() {
    return platform::ChildPath(platform::InstallRecordFolder(), "uninstall.exe");
}

void LogRunHeader(const InstallLog& log) {
    log.Write(VersionText());
    log.Write("command line: " + platform::CommandLine());
}

void LogInstallStart(const InstallLog& log, const HostTable& hosts) {
    LogRunHeader(log);
    log.Write("hosts searched in " + platform::RegistryLocation());
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (hosts.IsDetected(slot)) {
            log.Write(std::string("found ") + kHostSlots[slot].label + ": " +
                      hosts.hostFolder[slot] +
                      (hosts.hostView64[slot] ? " (64-bit view)" : " (32-bit view)"));
        }
    }
    if (!hosts.registryProblem.empty()) {
        log.Write("registry refused: " + hosts.registryProblem);
    }
    if (hosts.hostSelected[kCustomSlot] && hosts.IsDetected(kCustomSlot)) {
        log.Write("chosen Custom: " + hosts.hostFolder[kCustomSlot] +
                  (hosts.customBitness == 0 ? " (32-bit build)" : " (64-bit build)"));
    }
}

void LogInstallFiles(const InstallLog& log, const InstallStatus& status) {
    for (const InstalledFile& file : status.installedFiles) {
        log.Write(std::string(file.unchanged ? "unchanged " : "wrote ") + file.path + " (" +
                  std::to_string(file.size) + " bytes, SHA-256 " + file.sha256 + ")");
    }
    if (!status.installDone.load(std::memory_order_acquire)) {
        return;
    }
    if (status.installFailed.load(std::memory_order_relaxed)) {
        log.Write("error " + std::to_string(status.errorCode.load(std::memory_order_relaxed)) +
                  ": " + status.errorDetail);
        return;
    }
    InstallRecord earlier;
    if (ReadInstallRecord(&earlier) == RecordRead::Unreadable) {
        log.Write("the earlier record " + InstallRecordPath() + " could not be read; replaced");
    }
    const InstallRecord record = MergedRecord(earlier, status.installedFiles);
    if (WriteInstallRecord(record)) {
        log.Write("record: " + InstallRecordPath());
        RegisterInList(log, record);
    } else {
        log.Write("the record " + InstallRecordPath() +
                  " could not be written: " + platform::LastFileError());
    }
}

void LogResult(const InstallLog& log, const std::string& result, int exitCode) {
    log.Write("result: " + result + "; exit code " + std::to_string(exitCode));
}

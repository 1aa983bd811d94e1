// The command-line mode: the wizard's engine (detection, its start-up choice, the install
// worker and its status) driven without a window, reporting on the standard streams.
#include "app/SilentInstall.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/AfterInstall.h"
#include "app/CrashReporter.h"
#include "app/InstallReport.h"
#include "app/InstallerThread.h"
#include "app/JsonOutput.h"
#include "app/Startup.h"
#include "app/WizardTexts.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"

namespace {

void PrintLine(std::FILE* stream, std::string_view text) {
    std::fprintf(stream, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(stream);
}

// What the wizard's dialog would show: its title and its message.
void PrintDialog(const char* title, const std::string& message) {
    PrintLine(stderr, std::string(title) + ": " + message);
}

// A dialog's text broken to fit its box reads as one sentence on a terminal.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

bool AnyDetected(const HostTable& hosts) {
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (hosts.IsDetected(slot)) {
            return true;
        }
    }
    return false;
}

void ReportNothingFound() {
    PrintLine(stderr, std::string(kProgramName) + ": No After Effects version found in " +
                          platform::RegistryLocation());
}

// A registry that was refused is no registry without hosts: the user is told why.
void ReportRegistryProblem(const HostTable& hosts) {
    if (!hosts.registryProblem.empty()) {
        PrintLine(stderr, std::string(kProgramName) + ": " + hosts.registryProblem);
    }
}

int ListHosts(bool json) {
    HostTable hosts;
    hosts.DetectAllHosts();
    ReportRegistryProblem(hosts);
    const bool found = AnyDetected(hosts);
    if (!found) {
        ReportNothingFound();
    }
    if (json) {
        // A document even when nothing was found: a deployment tool reads one either way.
        PrintLine(stdout, HostsAsJson(hosts));
    }
    for (int slot = 0; slot < kDetectedSlotCount && !json; ++slot) {
        if (hosts.IsDetected(slot)) {
            PrintLine(stdout, std::string(kHostSlots[slot].label) + "\t" + hosts.hostFolder[slot]);
        }
    }
    return found ? kExitSuccess : kExitNothingToInstall;
}

// The wizard's start-up choice, every detected version ticked, narrowed to the versions that
// --hosts names, and the Custom entry as --custom gives it.
HostTable ChooseHosts(const CommandLineOptions& options) {
    HostTable hosts;
    hosts.DetectAllHosts();
    ReportRegistryProblem(hosts);
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        const bool wanted = !options.hostsNarrowed || options.hostNamed[slot];
        hosts.hostSelected[slot] = wanted && hosts.IsDetected(slot);
        if (options.hostsNarrowed && wanted && !hosts.IsDetected(slot)) {
            PrintLine(stderr, std::string(kProgramName) + ": " + kHostSlots[slot].label +
                                  " was not found in " + platform::RegistryLocation() +
                                  "; skipped");
        }
    }
    hosts.hostFolder[kCustomSlot] = options.customFolder;
    hosts.hostSelected[kCustomSlot] = !options.customFolder.empty();
    hosts.customBitness = options.customBitness;
    return hosts;
}

int InstallSilently(const CommandLineOptions& options, PayloadFinder findPayload) {
    if (!options.customFolder.empty() && !platform::FolderExists(options.customFolder)) {
        PrintLine(stderr, std::string(kProgramName) + ": the folder of --custom, \"" +
                              options.customFolder + "\", does not exist");
        return kExitUsage;
    }
    const HostTable hosts = ChooseHosts(options);
    const InstallLog log(options.logFile);
    LogInstallStart(log, hosts);
    if (!IsValidHostChoice(hosts)) {
        if (!AnyDetected(hosts)) {
            ReportNothingFound();
        }
        PrintDialog(kValidationTitle, OneLine(kValidationMessage));
        LogResult(log, "nothing to install", kExitNothingToInstall);
        return kExitNothingToInstall;
    }

    // The worker calls the hook after each progress step, so every step gets its line, in order.
    auto status = std::make_shared<InstallStatus>();
    InstallStatus* progress = status.get();  // the hook lives in the status it reads
    status->SetRepaintHook([progress] {
        PrintLine(stdout, ProgressLine(progress->progressStep.load(std::memory_order_acquire)));
    });
    InstallWorker worker(hosts, status, findPayload);
    worker.KeepMatchingFiles();
    if (!InstallerThread::Start(std::move(worker), &ReportCrashOnErrorStream)) {
        PrintDialog(kInstallErrorTitle, ComposeInstallError(kNoWorkerThreadError));
        LogResult(log, "the installation could not be started", kNoWorkerThreadError);
        return kNoWorkerThreadError;
    }
    status->WaitForWorkerEnd();
    status->DetachRepaintHook();
    // Before replacements end for good: after success the record is written as the plug-ins are.
    LogInstallFiles(log, *status);
    // A fault may have stopped a replacement half-way: its new file must not stay.
    platform::RemoveUnfinishedFiles();

    if (!status->installDone.load(std::memory_order_acquire)) {
        LogResult(log, "the installer faulted", kExitFault);
        return kExitFault;  // the crash reporter has named its dump on the error stream
    }
    if (status->installFailed.load(std::memory_order_relaxed)) {
        const int32_t code = status->errorCode.load(std::memory_order_relaxed);
        PrintDialog(kInstallErrorTitle, ComposeInstallError(code, status->errorDetail));
        LogResult(log, "failed", code);
        return code;
    }
    bool changed = false;
    for (const InstalledFile& file : status->installedFiles) {
        if (file.unchanged) {
            PrintLine(stdout, std::string(kHostSlots[file.slot].label) + ": unchanged");
        }
        changed = changed || !file.unchanged;
    }
    // The finished page's first line; the rest is about its Finish button.
    const std::string_view finished = kFinishedText;
    PrintLine(stdout, finished.substr(0, finished.find('\n')));
    const int code = changed ? options.changedExit : kExitSuccess;
    LogResult(log, changed ? "installed" : "unchanged", code);
    return code;
}

}  // namespace

int RunCommandLine(const CommandLineOptions& options, PayloadFinder findPayload) {
    // Started from a console, the output reaches it; `--silent | head -1`, or a deployment tool
    // that stops listening: the installation still runs to its end, and its exit code says how
    // it went.
    platform::ConnectCommandLineOutput();
    switch (options.action) {
        case CommandLineAction::Help:
            std::fputs(UsageText().c_str(), stdout);
            return kExitSuccess;
        case CommandLineAction::Version:
            PrintLine(stdout, VersionText());
            return kExitSuccess;
        case CommandLineAction::List:
            return ListHosts(options.json);
        case CommandLineAction::Silent:
            return InstallSilently(options, findPayload);
        case CommandLineAction::Uninstall:
            return UninstallRecorded(options);
        case CommandLineAction::Verify:
            return VerifyRecorded(options.json, findPayload);
        case CommandLineAction::Invalid:
            PrintLine(stderr, std::string(kProgramName) + ": " + options.error + " (see --help)");
            return kExitUsage;
        case CommandLineAction::Wizard:
            break;
    }
    return kExitUsage;  // the wizard is main's to start
}

// The command-line mode: the wizard's engine (detection, its start-up choice, the install
// worker and its status) driven without a window, reporting on the standard streams.
#include "app/SilentInstall.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/CrashReporter.h"
#include "app/InstallerThread.h"
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

int ListHosts() {
    HostTable hosts;
    hosts.DetectAllHosts();
    ReportRegistryProblem(hosts);
    if (!AnyDetected(hosts)) {
        ReportNothingFound();
        return kExitNothingToInstall;
    }
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (hosts.IsDetected(slot)) {
            PrintLine(stdout, std::string(kHostSlots[slot].label) + "\t" + hosts.hostFolder[slot]);
        }
    }
    return kExitSuccess;
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
    if (!IsValidHostChoice(hosts)) {
        if (!AnyDetected(hosts)) {
            ReportNothingFound();
        }
        PrintDialog(kValidationTitle, OneLine(kValidationMessage));
        return kExitNothingToInstall;
    }

    // The worker calls the hook after each progress step, so every step gets its line, in order.
    auto status = std::make_shared<InstallStatus>();
    InstallStatus* progress = status.get();  // the hook lives in the status it reads
    status->SetRepaintHook([progress] {
        PrintLine(stdout, ProgressLine(progress->progressStep.load(std::memory_order_acquire)));
    });
    if (!InstallerThread::Start(InstallWorker(hosts, status, findPayload),
                                &ReportCrashOnErrorStream)) {
        PrintDialog(kInstallErrorTitle, ComposeInstallError(kNoWorkerThreadError));
        return kNoWorkerThreadError;
    }
    status->WaitForWorkerEnd();
    status->DetachRepaintHook();
    // A fault may have stopped a replacement half-way: its new file must not stay.
    platform::RemoveUnfinishedFiles();

    if (!status->installDone.load(std::memory_order_acquire)) {
        return kExitFault;  // the crash reporter has named its dump on the error stream
    }
    if (status->installFailed.load(std::memory_order_relaxed)) {
        const int32_t code = status->errorCode.load(std::memory_order_relaxed);
        PrintDialog(kInstallErrorTitle, ComposeInstallError(code, status->errorDetail));
        return code;
    }
    // The finished page's first line; the rest is about its Finish button.
    const std::string_view finished = kFinishedText;
    PrintLine(stdout, finished.substr(0, finished.find('\n')));
    return kExitSuccess;
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
            return ListHosts();
        case CommandLineAction::Silent:
            return InstallSilently(options, findPayload);
        case CommandLineAction::Invalid:
            PrintLine(stderr, std::string(kProgramName) + ": " + options.error + " (see --help)");
            return kExitUsage;
        case CommandLineAction::Wizard:
            break;
    }
    return kExitUsage;  // the wizard is main's to start
}

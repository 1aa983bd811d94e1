// Texts of the wizard's pages and dialogs.
#include "app/WizardTexts.h"

#include <cstdio>

#include "app/Version.h"

namespace {

constexpr const char* kProgressLines[] = {
    "Installing CS3 version...",    "Installing CS4 version...", "Installing CS5 version...",
    "Installing CS5.5 version...",  "Installing CS6 version...", "Installing CC version...",
    "Installing Custom version...", "Installing assets...",
};

bool CustomCounts(const HostTable& hosts) {
    return hosts.hostSelected[kCustomSlot] && !hosts.hostFolder[kCustomSlot].empty();
}

}  // namespace

std::string WelcomeText() {
    char text[512];
    std::snprintf(text, sizeof text,
                  "This will install Kestrel 3D %d.%d.%d plugin on your computer.\n\nIt is "
                  "recommended that you close all other applications before continuing.\n\nClick "
                  "Next to continue, or Cancel to exit the installer.",
                  kVersionMajor, kVersionMinor, kVersionPatch);
    return text;
}

const char* ProgressLine(int32_t progressStep) {
    constexpr int32_t count = sizeof kProgressLines / sizeof kProgressLines[0];
    if (progressStep < 0 || progressStep >= count) {
        return "Preparing to install...";
    }
    return kProgressLines[progressStep];
}

std::string ComposeSummary(const HostTable& hosts) {
    std::string summary = "Installing Kestrel 3D on:\n\n";
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (hosts.hostSelected[slot]) {
            summary +=
                std::string(kHostSlots[slot].label) + ": \n" + hosts.hostFolder[slot] + "\n\n";
        }
    }
    if (CustomCounts(hosts)) {
        summary += "Custom: \n" + hosts.hostFolder[kCustomSlot] + "\n\n";
    }
    return summary;
}

std::string ComposeInstallError(int32_t errorCode, const std::string& detail) {
    std::string message =
        "An error occurred while installing Kestrel 3D.\nPlease contact support.\nError code:" +
        std::to_string(errorCode);
    if (!detail.empty()) {
        message += "\n" + detail;
    }
    return message;
}

bool IsValidHostChoice(const HostTable& hosts) {
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (hosts.hostSelected[slot]) {
            return true;
        }
    }
    return CustomCounts(hosts);
}

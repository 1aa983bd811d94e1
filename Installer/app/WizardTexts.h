// The wizard's own texts, and the ones it composes from the host table and the install status.
#pragma once

#include <cstdint>
#include <string>

#include "app/HostTable.h"

inline constexpr const char* kWizardTitle = "Kestrel 3D for After Effects Installer";
inline constexpr const char* kHostPageText =
    "Select which versions of Adobe After Effects you want to install Kestrel 3D on:";
inline constexpr const char* kSummaryPageText =
    "Click Next to continue with the installation, or click Back if you want to review or "
    "change any settings.";
inline constexpr const char* kInstallingHeading =
    "Installing Kestrel 3D for After Effects, please wait...";
inline constexpr const char* kFinishedText =
    "Kestrel 3D for After Effects has been successfully installed!\n\nClick Finish to close the "
    "installer.";

inline constexpr const char* kValidationTitle = "Unable to continue";
inline constexpr const char* kValidationMessage =
    "Please select at least one After Effects\ninstallation to continue.";
inline constexpr const char* kCancelTitle = "Exit Installer";
inline constexpr const char* kCancelMessage =
    "Are you sure you want to cancel Kestrel 3D for After Effects installation?\n\n";
inline constexpr const char* kInstallErrorTitle = "Unexpected error";
inline constexpr const char* kNoChooserTitle = "No folder chooser";
inline constexpr const char* kNoChooserMessage =
    "No folder chooser could be started.\nInstall the zenity or kdialog package,\nthen click "
    "Browse again.";
inline constexpr const char* kUninstallQuestion =
    "Remove Kestrel 3D for After Effects from this computer?\n\nFiles changed since they were "
    "installed are kept.";

// The welcome page's text, naming the plug-in's version.
std::string WelcomeText();
// The installing page's progress line for a worker step.
const char* ProgressLine(int32_t progressStep);
// Every ticked slot's folder in slot order; Custom only with a folder.
std::string ComposeSummary(const HostTable& hosts);
// The error dialog's message: its text ending in "Error code:" and the code, then the worker's
// line naming the folder and the system's reason, when there is one.
std::string ComposeInstallError(int32_t errorCode, const std::string& detail = std::string());
// At least one version slot ticked, or Custom ticked with a folder.
bool IsValidHostChoice(const HostTable& hosts);

// Reading the command-line switches, and the usage text.
#include "app/CommandLine.h"

#include <algorithm>
#include <functional>
#include <set>
#include <string_view>

#include "app/InstallWorker.h"
#include "app/Startup.h"
#include "app/Version.h"

namespace {

// A single dash counts too, so that a mistyped switch is reported rather than taken for the
// wizard's command line, which has no switches.
bool IsSwitch(std::string_view argument) {
    return argument.starts_with("-");
}

// The text in quotes, control characters shown as '?' so that a message stays on one line.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
    return quoted + "\"";
}

// "CS3, CS4, ..., CC": the labels --hosts accepts.
std::string VersionLabels() {
    std::string labels;
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        labels += (slot > 0 ? ", " : "") + std::string(kHostSlots[slot].label);
    }
    return labels;
}

int SlotForLabel(std::string_view label) {
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (label == kHostSlots[slot].label) {
            return slot;
        }
    }
    return -1;
}

using Complaint = std::function<void(const std::string&)>;

void ParseHosts(std::string_view list, CommandLineOptions* options, const Complaint& complain) {
    if (list.empty()) {
        complain("--hosts needs at least one label, as in --hosts=CS6,CC");
        return;
    }
    options->hostsNarrowed = true;
    for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view label = list.substr(start, comma - start);
        const int slot = SlotForLabel(label);
        if (slot >= 0) {
            options->hostNamed[slot] = true;
        } else if (label == kHostSlots[kCustomSlot].label) {
            complain("--hosts names versions only; the Custom entry is --custom=FOLDER");
        } else {
            complain("unknown label " + Quoted(label) + " in --hosts; the labels are " +
                     VersionLabels());
        }
        start = comma + 1;
    }
}

}  // namespace

CommandLineOptions ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineOptions options;
    if (std::none_of(arguments.begin(), arguments.end(),
                     [](const std::string& argument) { return IsSwitch(argument); })) {
        return options;
    }

    bool help = false;
    bool version = false;
    bool silent = false;
    bool list = false;
    bool bitsGiven = false;
    std::string error;  // the first mistake is the one reported
    const Complaint complain = [&error](const std::string& text) {
        if (error.empty()) {
            error = text;
        }
    };
    std::set<std::string> seen;
    for (const std::string& argument : arguments) {
        if (!IsSwitch(argument)) {
            complain("unexpected argument " + Quoted(argument) + "; switches begin with --");
            continue;
        }
        const size_t equals = argument.find('=');
        const bool hasValue = equals != std::string::npos;
        const std::string name = argument.substr(0, equals);
        const std::string value = hasValue ? argument.substr(equals + 1) : "";
        const auto raise = [&](bool* flag) {
            if (hasValue) {
                complain(name + " takes no value");
            }
            *flag = true;
        };
        if (!seen.insert(name).second) {
            complain(Quoted(name) + " is given twice");
        } else if (name == "--help") {
            raise(&help);
        } else if (name == "--version") {
            raise(&version);
        } else if (name == "--silent") {
            raise(&silent);
        } else if (name == "--list") {
            raise(&list);
        } else if (name == "--hosts") {
            ParseHosts(value, &options, complain);
        } else if (name == "--custom") {
            if (value.empty()) {
                complain("--custom needs a folder, as in --custom=FOLDER");
            }
            options.customFolder = value;
        } else if (name == "--bits") {
            if (value != "32" && value != "64") {
                complain("--bits must be 32 or 64");
            }
            options.customBitness = value == "64" ? 1 : 0;
            bitsGiven = true;
        } else {
            complain("unknown switch " + Quoted(name));
        }
    }

    if (help || version) {
        options.action = help ? CommandLineAction::Help : CommandLineAction::Version;
        return options;
    }
    const bool narrows = options.hostsNarrowed || !options.customFolder.empty() || bitsGiven;
    if (silent && list) {
        complain("--silent and --list cannot be combined");
    } else if (!silent && !list) {
        complain("nothing to do: --silent installs, --list lists, --help explains");
    } else if (list && narrows) {
        complain("--hosts, --custom and --bits go with --silent, not --list");
    } else if (bitsGiven && options.customFolder.empty()) {
        complain("--bits chooses the build for --custom=FOLDER, which is missing");
    }
    if (!error.empty()) {
        options.action = CommandLineAction::Invalid;
        options.error = error;
        return options;
    }
    options.action = silent ? CommandLineAction::Silent : CommandLineAction::List;
    return options;
}

std::string UsageText() {
    std::string slots;
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        slots += (slot > 0 ? ", " : "") + std::to_string(slot + 1) + " " + kHostSlots[slot].label;
    }
    return "Usage: kestrel-installer [--silent [--hosts=LIST] [--custom=FOLDER [--bits=32|64]]]\n"
           "       kestrel-installer --list | --help | --version\n"
           "Without switches the installer opens its wizard.\n"
           "\n"
           "  --silent         install without a window or a question into every After Effects\n"
           "                   version found in the Wine prefix, printing one line per step\n"
           "  --hosts=LIST     only these versions, a comma-separated list of labels:\n"
           "                   " +
           VersionLabels() +
           "\n"
           "  --custom=FOLDER  also install into FOLDER (the Custom entry), which must exist\n"
           "  --bits=32|64     the plug-in build for FOLDER (32 unless given)\n"
           "  --list           print each version found: its label, a tab, its plug-in folder\n"
           "  --help           print this text and install nothing\n"
           "  --version        print the installer's version and build number\n"
           "\n"
           "Exit codes:\n"
           "  0      installed (--list, --help, --version: done)\n"
           "  " +
           std::to_string(kNoWorkerThreadError) +
           "      the installation could not be started\n"
           "  " +
           std::to_string(kExitUsage) +
           "      a mistake in the switches, or --custom names no folder; nothing was written\n"
           "  " +
           std::to_string(kExitNothingToInstall) +
           "      nothing to install: no version found (none of --hosts) and no --custom;\n"
           "         for --list: no version found\n"
           "  " +
           std::to_string(kExitFault) +
           "      the installer faulted; the error stream names the crash dump it wrote\n"
           "  12-75  an installation error: the tens digit is the host, the units digit the step\n"
           "         hosts: " +
           slots +
           "\n"
           "         steps: " +
           std::to_string(kStepPayloadMissing) + " plug-in build missing, " +
           std::to_string(kStepPayloadUnreadable) + " unreadable, " +
           std::to_string(kStepCannotCreate) + " plug-in file cannot be\n         created, " +
           std::to_string(kStepWriteFailed) + " writing it failed\n";
}

std::string VersionText() {
    return std::string(kProgramName) + " " + std::to_string(kVersionMajor) + "." +
           std::to_string(kVersionMinor) + "." + std::to_string(kVersionPatch) + " (build " +
           std::to_string(kVersionBuild) + ")";
}

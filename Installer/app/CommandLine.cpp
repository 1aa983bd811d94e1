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

// A whole number from 1 to 255 written in decimal digits; 0 for anything else.
int ExitCodeIn(std::string_view text) {
    int code = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || code > 255) {
            return 0;
        }
        code = code * 10 + (c - '0');
    }
    return code <= 255 ? code : 0;
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
    bool uninstall = false;
    bool verify = false;
    bool changedExitGiven = false;
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
        } else if (name == "--uninstall") {
            raise(&uninstall);
        } else if (name == "--verify") {
            raise(&verify);
        } else if (name == "--json") {
            raise(&options.json);
        } else if (name == "--log") {
            if (value.empty()) {
                complain("--log needs a file, as in --log=FILE");
            }
            options.logFile = value;
        } else if (name == "--changed-exit") {
            changedExitGiven = true;
            options.changedExit = hasValue ? ExitCodeIn(value) : kExitChanged;
            if (options.changedExit == 0) {
                complain("--changed-exit takes a code from 1 to 255, as in --changed-exit=10");
            }
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
    const int actions = list + uninstall + verify + (silent && !uninstall);
    if (actions > 1) {
        complain(
            "--silent, --list, --uninstall and --verify cannot be combined (but for "
            "--uninstall --silent)");
    } else if (actions == 0) {
        complain(
            "nothing to do: --silent installs, --list lists, --uninstall removes, --verify "
            "checks, --help explains");
    } else if (narrows && (list || uninstall || verify)) {
        complain(std::string("--hosts, --custom and --bits go with --silent, not ") +
                 (list        ? "--list"
                  : uninstall ? "--uninstall"
                              : "--verify"));
    } else if (bitsGiven && options.customFolder.empty()) {
        complain("--bits chooses the build for --custom=FOLDER, which is missing");
    } else if (options.json && !list && !verify) {
        complain("--json goes with --list or --verify");
    } else if (changedExitGiven && !(silent && !uninstall)) {
        complain("--changed-exit goes with --silent alone");
    } else if (!options.logFile.empty() && !silent && !uninstall) {
        complain("--log goes with --silent or --uninstall");
    }
    if (!error.empty()) {
        options.action = CommandLineAction::Invalid;
        options.error = error;
        return options;
    }
    options.quiet = silent;
    options.action = uninstall ? CommandLineAction::Uninstall
                     : verify  ? CommandLineAction::Verify
                     : silent  ? CommandLineAction::Silent
                               : CommandLineAction::List;
    return options;
}

std::string UsageText() {
    std::string slots;
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        slots += (slot > 0 ? ", " : "") + std::to_string(slot + 1) + " " + kHostSlots[slot].label;
    }
    return "Usage: kestrel-installer --silent [--hosts=LIST] [--custom=FOLDER [--bits=32|64]]\n"
           "                        [--changed-exit[=N]] [--log=FILE]\n"
           "       kestrel-installer --uninstall [--silent] [--log=FILE]\n"
           "       kestrel-installer --list [--json] | --verify [--json] | --help | --version\n"
           "Without switches the installer opens its wizard.\n"
           "\n"
           "  --silent         install without a window or a question into every After Effects\n"
           "                   version found in the Wine prefix, printing one line per step;\n"
           "                   a host whose file already matches is left alone (\"unchanged\")\n"
           "  --hosts=LIST     only these versions, a comma-separated list of labels:\n"
           "                   " +
           VersionLabels() +
           "\n"
           "  --custom=FOLDER  also install into FOLDER (the Custom entry), which must exist\n"
           "  --bits=32|64     the plug-in build for FOLDER (32 unless given)\n"
           "  --changed-exit[=N]  exit N (" +
           std::to_string(kExitChanged) +
           " unless given) instead of 0 when a file was written\n"
           "  --log=FILE       the installation log goes to FILE instead of its usual place\n"
           "  --uninstall      remove the installed files that are as they were installed, after\n"
           "                   one question when there is a display (none with --silent)\n"
           "  --verify         check each installed file: ok, changed or missing\n"
           "  --list           print each version found: its label, a tab, its plug-in folder\n"
           "  --json           --list and --verify print one JSON document instead\n"
           "  --help           print this text and install nothing\n"
           "  --version        print the installer's version and build number\n"
           "\n"
           "Exit codes:\n"
           "  0      installed (--list, --help, --version: done; --uninstall: removed; --verify:\n"
           "         all ok)\n"
           "  " +
           std::to_string(kNoWorkerThreadError) +
           "      the installation could not be started\n"
           "  " +
           std::to_string(kExitUsage) +
           "      a mistake in the switches, or --custom names no folder; nothing was written\n"
           "  " +
           std::to_string(kExitNothingToInstall) +
           "      nothing to install: no version found (none of --hosts) and no --custom;\n"
           "         for --list: no version found; --uninstall, --verify: nothing is recorded as\n"
           "         installed\n"
           "  " +
           std::to_string(kExitFault) +
           "      the installer faulted; the error stream names the crash dump it wrote\n"
           "  " +
           std::to_string(kExitInterrupted) +
           "      interrupted; the run's half-written files were removed\n"
           "  " +
           std::to_string(kExitFilesDiffer) +
           "      --uninstall kept files that were changed, --verify found files changed or\n"
           "         missing\n"
           "  " +
           std::to_string(kExitChanged) +
           "      --silent --changed-exit: a file was written\n"
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

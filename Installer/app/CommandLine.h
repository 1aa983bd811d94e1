// The command-line mode beside the wizard: its switches, read from the program's arguments, its
// usage text and the exit codes that the usage documents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/HostTable.h"

enum class CommandLineAction {
    Wizard,  // no switch at all: the interactive path, elevation marker and all
    Help,
    Version,
    List,
    Silent,
    Uninstall,
    Verify,
    Invalid,  // a mistake in the switches; `error` says which
};

struct CommandLineOptions {
    CommandLineAction action = CommandLineAction::Wizard;
    // --hosts: only the named version slots; every slot when it was not given.
    bool hostsNarrowed = false;
    bool hostNamed[kDetectedSlotCount] = {};
    std::string customFolder;   // --custom; empty: no Custom entry
    int32_t customBitness = 0;  // --bits, as the wizard's combo box: 0 32-bit, 1 64-bit
    bool quiet = false;         // --silent with --uninstall: no question
    bool json = false;          // --json with --list or --verify
    std::string logFile;        // --log; empty: the default place
    int changedExit = 0;        // --changed-exit; 0: a run that changed something exits 0 too
    std::string error;          // one line, for Invalid
};

// Exit codes of the command-line mode; an installation error exits with the wizard's error code
// (12 to 75), and a thread that could not be started with the wizard's code for that (1).
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNothingToInstall = 3;
inline constexpr int kExitFault = 4;
// Ended by an interrupt (Ctrl+C, a hang-up, a request to end), wizard or not.
inline constexpr int kExitInterrupted = 5;
// --uninstall answered "No" at its question: nothing was removed.
inline constexpr int kExitUninstallDeclined = 6;
// Files differ from the record of what was installed: --uninstall kept them, --verify found
// them changed or missing.
inline constexpr int kExitFilesDiffer = 7;
// --silent with --changed-exit and no number: the run wrote at least one file.
inline constexpr int kExitChanged = 8;

// `arguments` without the program's name. Any argument that begins with "-" makes this a
// command line of switches, in which every argument must be a known switch; otherwise the
// action is Wizard. --help wins over everything else, and --version over everything but --help.
CommandLineOptions ParseCommandLine(const std::vector<std::string>& arguments);

// The text --help prints: the switches and the exit codes.
std::string UsageText();
// The line --version prints: "Kestrel 3D installer 1.6.2 (build 480)".
std::string VersionText();

// --verify and --uninstall over the record of what was installed.
#include "app/AfterInstall.h"

#include <cstdio>
#include <map>
#include <set>

#include "app/InstallReport.h"
#include "app/JsonOutput.h"
#include "app/PathHelpers.h"
#include "app/Startup.h"
#include "app/WizardTexts.h"
#include "platform/Checksum.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/RecordFolders.h"
#include "platform/UninstallEntry.h"

namespace {

void PrintLine(std::FILE* stream, const std::string& text) {
    std::fprintf(stream, "%s\n", text.c_str());
    std::fflush(stream);
}

// The record, or the exit code when there is none to work on (said on the error stream).
int ReadRecordOrExplain(InstallRecord* record) {
    switch (ReadInstallRecord(record)) {
        case RecordRead::Found:
            return kExitSuccess;
        case RecordRead::Missing:
            PrintLine(stderr, std::string(kProgramName) +
                                  ": nothing is recorded as installed (no " + InstallRecordPath() +
                                  ")");
            break;
        case RecordRead::Unreadable:
            PrintLine(stderr, std::string(kProgramName) + ": the record " + InstallRecordPath() +
                                  " cannot be read");
            break;
    }
    return kExitNothingToInstall;
}

// The file on disk against the record.
FileState StateOnDisk(const RecordedFile& file) {
    std::string contents;
    if (!platform::ReadFileContents(file.path, &contents)) {
        return platform::FileSize(file.path) < 0 ? FileState::Missing : FileState::Changed;
    }
    return platform::Sha256Hex(contents.data(), contents.size()) == file.sha256
               ? FileState::Ok
               : FileState::Changed;
}

}  // namespace

const char* FileStateName(FileState state) {
    switch (state) {
        case FileState::Ok:
            return "ok";
        case FileState::Changed:
            return "changed";
        case FileState::Missing:
            break;
    }
    return "missing";
}

int VerifyRecorded(bool json, PayloadFinder findPayload) {
    InstallRecord record;
    if (const int code = ReadRecordOrExplain(&record)) {
        return code;
    }
    // The record against this installer's payloads too: a file that is as recorded but not
    // what this installer installs has changed all the same.
    std::map<int, std::string> payloadDigests;
    std::vector<FileState> states;
    bool allOk = true;
    for (const RecordedFile& file : record.files) {
        if (!payloadDigests.count(file.payloadId)) {
            platform::ResourceBlock payload;
            payloadDigests[file.payloadId] =
                findPayload(platform::kResourceTypeRcData, file.payloadId, &payload)
                    ? platform::Sha256Hex(payload.data, payload.size)
                    : "";
        }
        FileState state = StateOnDisk(file);
        if (state == FileState::Ok && payloadDigests[file.payloadId] != file.sha256) {
            state = FileState::Changed;
        }
        states.push_back(state);
        allOk = allOk && state == FileState::Ok;
        if (!json) {
            PrintLine(stdout, std::string(FileStateName(state)) + "\t" + file.path);
        }
    }
    if (json) {
        PrintLine(stdout, VerificationAsJson(record, states));
    }
    return allOk ? kExitSuccess : kExitFilesDiffer;
}

int UninstallRecorded(const CommandLineOptions& options) {
    InstallRecord record;
    if (const int code = ReadRecordOrExplain(&record)) {
        return code;
    }
    if (!options.quiet && !platform::AskSystemQuestion(kUninstallQuestion, kWizardTitle)) {
        PrintLine(stderr, std::string(kProgramName) + ": not uninstalled");
        return kExitUninstallDeclined;
    }
    const InstallLog log(options.logFile);
    LogRunHeader(log);
    log.Write("uninstalling what " + InstallRecordPath() + " records");

    bool kept = false;
    std::set<std::string> madeFolders;
    for (const RecordedFile& file : record.files) {
        const FileState state = StateOnDisk(file);
        if (state == FileState::Changed) {
            kept = true;
            PrintLine(stdout, "kept\t" + file.path);
            log.Write("kept " + file.path + ": it was changed since it was installed");
            continue;
        }
        if (state == FileState::Ok && !platform::RemoveFile(file.path)) {
            kept = true;
            const std::string reason = platform::LastFileError();
            PrintLine(stdout, "kept\t" + file.path);
            log.Write("kept " + file.path + ": " + reason);
            continue;
        }
        PrintLine(stdout, "removed\t" + file.path);
        log.Write(state == FileState::Ok ? "removed " + file.path : "already gone: " + file.path);
        if (file.folderCreated) {
            madeFolders.insert(FolderOf(file.path));
        }
    }
    for (const std::string& folder : madeFolders) {
        // Only when empty: whatever else the user keeps there stays.
        if (platform::RemoveEmptyFolder(folder)) {
            log.Write("removed the folder " + folder);
        }
    }
    WriteInstallRecord({});
    platform::RemoveUninstaller(kUninstallKeyName, UninstallerPath());
    // The record's own folder where nothing else is kept there (on Linux the log stays in it),
    // and the maker's folder above it on Windows, never a folder of the system's.
    const std::string recordFolder = platform::InstallRecordFolder();
    if (platform::RemoveEmptyFolder(recordFolder) && FolderOf(recordFolder).ends_with("Larkspur")) {
        platform::RemoveEmptyFolder(FolderOf(recordFolder));
    }
    const int code = kept ? kExitFilesDiffer : kExitSuccess;
    LogResult(log, kept ? "uninstalled, some files kept" : "uninstalled", code);
    return code;
}

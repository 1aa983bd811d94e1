// The record of what was installed: each file written, its SHA-256, and the installer's version,
// kept as a small text file in the record folder (platform/RecordFolders.h): a first line naming
// the format, "installer", a tab and the version, then one line per file: "file", the SHA-256,
// size, payload id, 1 when the maker's folder was made by an installation (else 0) and the host's
// label, each followed by a tab, and the path last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/InstallWorker.h"

struct RecordedFile {
    std::string path;            // of this machine's file system
    std::string host;            // the slot's label
    bool folderCreated = false;  // the maker's folder (the path's) was made by an installation
    int payloadId = 0;
    uint64_t size = 0;
    std::string sha256;
};

struct InstallRecord {
    std::string version;
    std::vector<RecordedFile> files;
};

std::string InstallRecordPath();

enum class RecordRead { Found, Missing, Unreadable };

RecordRead ReadInstallRecord(InstallRecord* record);

// Makes `record` the record on disk in one step (platform::ReplaceFileContents); an equal record
// is left as it is. An empty one removes it. False when it could not be written.
bool WriteInstallRecord(const InstallRecord& record);

// The record after a successful installation of `files`: the earlier record's files with these
// added, or replacing the entries of the same path (a maker's folder made once stays made).
InstallRecord MergedRecord(const InstallRecord& earlier, const std::vector<InstalledFile>& files);

// The record of what was installed, as text.
#include "app/InstallRecord.h"

#include <algorithm>
#include <charconv>

#include "app/CommandLine.h"
#include "platform/Files.h"
#include "platform/RecordFolders.h"

namespace {

constexpr const char* kFormatLine = "Kestrel 3D install record 1\n";
constexpr int kFieldsBeforePath = 6;

// The fields of `line` split at its first `count` tabs; the rest, tabs and all, is the last one.
std::vector<std::string> Fields(const std::string& line, int count) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (int field = 0; field < count; ++field) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string::npos) {
            return {};
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

template <typename Number>
bool ParseNumber(const std::string& text, Number* value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseFileLine(const std::string& line, RecordedFile* file) {
    const std::vector<std::string> fields = Fields(line, kFieldsBeforePath);
    if (fields.empty() || fields[0] != "file" || fields[1].size() != 64 ||
        !ParseNumber(fields[2], &file->size) || !ParseNumber(fields[3], &file->payloadId) ||
        (fields[4] != "0" && fields[4] != "1") || fields[6].empty()) {
        return false;
    }
    file->sha256 = fields[1];
    file->folderCreated = fields[4] == "1";
    file->host = fields[5];
    file->path = fields[6];
    return true;
}

}  // namespace

std::string InstallRecordPath() {
    return platform::ChildPath(platform::InstallRecordFolder(), "install-record.txt");
}

RecordRead ReadInstallRecord(InstallRecord* record) {
    std::string text;
    if (!platform::ReadFileContents(InstallRecordPath(), &text)) {
        return platform::FileSize(InstallRecordPath()) < 0 ? RecordRead::Missing
                                                           : RecordRead::Unreadable;
    }
    if (!text.starts_with(kFormatLine) || !text.ends_with("\n")) {
        return RecordRead::Unreadable;
    }
    *record = {};
    for (size_t start = std::string_view(kFormatLine).size(); start < text.size();) {
        const size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::vector<std::string> installer = Fields(line, 1);
        RecordedFile file;
        if (!installer.empty() && installer[0] == "installer") {
            record->version = installer[1];
        } else if (ParseFileLine(line, &file)) {
            record->files.push_back(std::move(file));
        } else {
            return RecordRead::Unreadable;
        }
    }
    return RecordRead::Found;
}

bool WriteInstallRecord(const InstallRecord& record) {
    const std::string path = InstallRecordPath();
    if (record.files.empty()) {
        return platform::RemoveFile(path);
    }
    std::string text = kFormatLine;
    text += "installer\t" + record.version + "\n";
    for (const RecordedFile& file : record.files) {
        text += "file\t" + file.sha256 + "\t" + std::to_string(file.size) + "\t" +
                std::to_string(file.payloadId) + "\t" + (file.folderCreated ? "1" : "0") + "\t" +
                file.host + "\t" + file.path + "\n";
    }
    std::string onDisk;
    if (platform::ReadFileContents(path, &onDisk) && onDisk == text) {
        return true;
    }
    platform::CreateFolders(platform::InstallRecordFolder());
    return platform::ReplaceFileContents(path, text.data(), text.size()) ==
           platform::ReplaceResult::Replaced;
}

InstallRecord MergedRecord(const InstallRecord& earlier, const std::vector<InstalledFile>& files) {
    InstallRecord record = earlier;
    record.version = VersionText();
    for (const InstalledFile& file : files) {
        if (file.path.find('\n') != std::string::npos) {
            continue;  // a line of its own could not hold it
        }
        RecordedFile entry{file.path,          kHostSlots[file.slot].label,
                           file.folderCreated, file.payloadId,
                           file.size,          file.sha256};
        const auto same =
            std::find_if(record.files.begin(), record.files.end(),
                         [&](const RecordedFile& old) { return old.path == file.path; });
        if (same == record.files.end()) {
            record.files.push_back(std::move(entry));
        } else {
            entry.folderCreated = entry.folderCreated || same->folderCreated;
            *same = std::move(entry);
        }
    }
    return record;
}

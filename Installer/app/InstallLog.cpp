// The installation log.
#include "app/InstallLog.h"
#include "app/PathHelpers.h"

#include <cstdio>

#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/RecordFolders.h"

InstallLog::InstallLog(const std::string& path)
    : m_path(path.empty() ? platform::DefaultLogPath() : path) {
    if (const std::string folder = FolderOf(m_path); !folder.empty()) {
        platform::CreateFolders(folder);
    }
    if (platform::FileSize(m_path) > kRotateBytes) {
        platform::MoveFileReplacing(m_path, m_path + ".1");
    }
}

void InstallLog::Write(const std::string& text) const {
    const platform::LocalTime now = platform::CurrentLocalTime();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", now.year, now.month,
                  now.day, now.hour, now.minute, now.second);
    std::string line = stamp;
    // One event, one line, whatever a path or a system message holds.
    for (const char c : text) {
        line += c == '\n' || c == '\r' ? ' ' : c;
    }
    platform::AppendToFile(m_path, line + "\n");
}

std::string LogPathLine(const std::string& path) {
    return "Installation log: " + path;
}

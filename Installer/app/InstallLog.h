// The installation log: plain text, one time-stamped line per event, appended run after run.
#pragma once

#include <string>

class InstallLog {
  public:
    // Past this size the file is moved to "<path>.1" (replacing an older one) when a run opens it.
    static constexpr long long kRotateBytes = 1024 * 1024;

    // `path` empty: the default place (platform/RecordFolders.h). Its folder is created where
    // missing; nothing is written yet.
    explicit InstallLog(const std::string& path);

    const std::string& Path() const { return m_path; }

    // One line, time-stamped. A log that cannot be written never stops an installation.
    void Write(const std::string& text) const;

  private:
    std::string m_path;
};

// The line that the Finished page and the error dialog add, naming the log.
std::string LogPathLine(const std::string& path);

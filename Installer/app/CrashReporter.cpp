// The crash reporter.
#include "app/CrashReporter.h"

#include <cstdio>

#include "app/Version.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "toolkit/LwThread.h"

namespace {

constexpr char kProductName[] = "Kestrel";

std::string Format(const char* pattern, auto... values) {
    const int length = std::snprintf(nullptr, 0, pattern, values...);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, values...);
    return text;
}

// Every worker thread's faults come here unless the program chooses otherwise.
[[maybe_unused]] const bool defaultReporter = (LwThread::SetFaultReporter(&ReportCrash), true);

}  // namespace

std::string CrashLogFolder() {
    const std::string documents = platform::DocumentsFolder();
    if (!documents.empty()) {
        return platform::ChildPath(platform::ChildPath(documents, "Larkspur"), "Error Logs");
    }
    // Other users may share the temporary folder: only a folder of the user's own will do,
    // or the temporary folder itself, where the dump is a new file that only its owner reads.
    const std::string own = platform::PrivateTemporaryFolder("Larkspur");
    return own.empty() ? platform::TemporaryFolder() : platform::ChildPath(own, "Error Logs");
}

std::string CrashDumpPath(const std::string& logFolder, const platform::LocalTime& time,
                          long processId, long threadId) {
    const std::string label =
        Format("%s_v%d.%d.%d", kProductName, kVersionMajor, kVersionMinor, kVersionBuild);
    return platform::ChildPath(
        logFolder,
        Format("%s-%04d%02d%02d-%02d%02d%02d-%ld-%ld.dmp", label.c_str(), time.year, time.month,
               time.day, time.hour, time.minute, time.second, processId, threadId));
}

std::string CrashMessage(const std::string& dumpPath) {
    return Format(
        "%s has encountered an unrecoverable error.\n\nPlease compress the following file and "
        "contact support (%s):\n\n%s",
        kProductName, kSupportAddress, dumpPath.c_str());
}

namespace {

// Writes the dump for `fault` and returns the message that names it.
std::string WriteCrashDump(const platform::FaultRecord* fault) {
    const platform::LocalTime time = platform::CurrentLocalTime();
    const std::string logFolder = CrashLogFolder();
    // Every missing level: a fresh account has no "Larkspur" folder yet.
    platform::CreateFolders(logFolder);
    // Faults are reported from the crash server, on behalf of the faulting process.
    const long processId =
        fault && fault->processId ? fault->processId : platform::CurrentProcessId();
    const long threadId = fault && fault->threadId ? fault->threadId : platform::CurrentThreadId();
    const std::string dumpPath = CrashDumpPath(logFolder, time, processId, threadId);
    platform::WriteMinidump(dumpPath, fault);
    return CrashMessage(dumpPath);
}

}  // namespace

int ReportCrash(const platform::FaultRecord* fault) {
    platform::ShowSystemMessage(WriteCrashDump(fault), kCrashCaption);
    return 1;
}

int ReportCrashOnErrorStream(const platform::FaultRecord* fault) {
    const std::string message = WriteCrashDump(fault);
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    return 1;
}

// Faults on guarded threads end in exactly one crash report: a minidump under the right name
// that reads back with the fault's code and thread, and the message; the thread object
// is deleted and the process lives on. Handled exceptions are nobody's fault.
#include <gtest/gtest.h>

// windows.h before dbghelp.h, which needs its types.
#include "win32_test_support.h"

#include <dbghelp.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <regex>
#include <stdexcept>

#include "app/CrashReporter.h"
#include "platform/Minidump.h"
#include "platform/Process.h"
#include "platform/Thread.h"
#include "toolkit/LwThread.h"

namespace {

using wintest::ScratchFolder;
using wintest::WaitUntil;

constexpr DWORD kGccThrowCode = 0x20474343;
constexpr ULONG32 kMinidumpSignature = 0x504D444D;  // "MDMP"

// What a faulting thread leaves for the test: its id, and its deletion.
struct ThreadTrace {
    std::atomic<long> threadId{0};
    std::atomic<int> deleted{0};
};

class FaultingThread : public LwThread {
  public:
    FaultingThread(ThreadTrace* trace, void (*fault)()) : m_trace(trace), m_fault(fault) {}
    ~FaultingThread() override { m_trace->deleted.fetch_add(1); }
    void run() override {
        m_trace->threadId.store(platform::CurrentThreadId());
        m_fault();
    }

  private:
    ThreadTrace* m_trace;
    void (*m_fault)();
};

__attribute__((noinline)) void DereferenceNull() {
    volatile int* volatile target = nullptr;
    *target = 1;
}

__attribute__((noinline)) void Throw() {
    throw std::runtime_error("worker gave up");
}

// A dump file read back through dbghelp, as a debugger would read it.
class DumpFile {
  public:
    explicit DumpFile(const std::string& path) {
        m_file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
        if (m_file == INVALID_HANDLE_VALUE) {
            return;
        }
        m_mapping = CreateFileMappingW(m_file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        m_view = m_mapping ? MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
        LARGE_INTEGER size{};
        m_size = GetFileSizeEx(m_file, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }
    ~DumpFile() {
        if (m_view) {
            UnmapViewOfFile(m_view);
        }
        if (m_mapping) {
            CloseHandle(m_mapping);
        }
        if (m_file != INVALID_HANDLE_VALUE) {
            CloseHandle(m_file);
        }
    }
    bool IsOpen() const { return m_view != nullptr; }
    // The stream of that type, found through the file's own directory rather than through
    // dbghelp's reader, which shares its code with the writer.
    template <typename T>
    const T* Stream(ULONG type) const {
        const auto* bytes = static_cast<const uint8_t*>(m_view);
        MINIDUMP_HEADER header{};
        if (!m_view || m_size < sizeof header) {
            return nullptr;
        }
        std::memcpy(&header, bytes, sizeof header);
        if (header.Signature != kMinidumpSignature ||
            header.StreamDirectoryRva +
                    uint64_t{header.NumberOfStreams} * sizeof(MINIDUMP_DIRECTORY) >
                m_size) {
            return nullptr;
        }
        for (ULONG32 i = 0; i < header.NumberOfStreams; ++i) {
            MINIDUMP_DIRECTORY entry{};
            std::memcpy(&entry, bytes + header.StreamDirectoryRva + i * sizeof entry, sizeof entry);
            if (entry.StreamType == type && entry.Location.DataSize >= sizeof(T) &&
                uint64_t{entry.Location.Rva} + entry.Location.DataSize <= m_size) {
                return reinterpret_cast<const T*>(bytes + entry.Location.Rva);
            }
        }
        return nullptr;
    }
    bool HasThread(DWORD id) const {
        const auto* threads = Stream<MINIDUMP_THREAD_LIST>(ThreadListStream);
        for (ULONG i = 0; threads && i < threads->NumberOfThreads; ++i) {
            if (threads->Threads[i].ThreadId == id) {
                return true;
            }
        }
        return false;
    }

  private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    HANDLE m_mapping = nullptr;
    void* m_view = nullptr;
    uint64_t m_size = 0;
};

// The user's documents folder points at a scratch folder while a test runs, as the shell reads
// it from the user's shell folders.
class CrashReportWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &m_folders, nullptr),
                  ERROR_SUCCESS);
        DWORD size = sizeof m_saved;
        DWORD type = REG_NONE;
        m_hadValue = RegQueryValueExW(m_folders, L"Personal", nullptr, &type,
                                      reinterpret_cast<BYTE*>(m_saved), &size) == ERROR_SUCCESS;
        m_savedType = type;
        m_savedSize = size;
        SetDocuments(Utf8ToWide(m_documents.path()));
        LwThread::SetFaultReporter(&ReportCrash);
    }
    void TearDown() override {
        if (m_hadValue) {
            RegSetValueExW(m_folders, L"Personal", 0, m_savedType,
                           reinterpret_cast<const BYTE*>(m_saved), m_savedSize);
        } else {
            RegDeleteValueW(m_folders, L"Personal");
        }
        RegCloseKey(m_folders);
    }
    void SetDocuments(const std::wstring& folder) {
        ASSERT_EQ(RegSetValueExW(m_folders, L"Personal", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(folder.c_str()),
                                 static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    std::string LogFolder() const { return m_documents / "Larkspur\\Error Logs"; }
    std::vector<std::string> Dumps() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(Utf8ToWide(LogFolder() + "\\*.dmp").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                names.push_back(WideToUtf8(entry.cFileName));
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
        return names;
    }
    // Starts a thread that faults, waits for its object's deletion; the thread's id.
    long RunFaultingThread(void (*fault)()) {
        ThreadTrace trace;
        EXPECT_TRUE(LwThread::Start(new FaultingThread(&trace, fault)));
        EXPECT_TRUE(WaitUntil([&] { return trace.deleted.load() == 1; }));
        EXPECT_EQ(trace.deleted.load(), 1);
        return trace.threadId.load();
    }
    // The one dump there is, checked by name; its path.
    std::string TheDump(long threadId) {
        const std::vector<std::string> dumps = Dumps();
        EXPECT_EQ(dumps.size(), 1u);
        if (dumps.empty()) {
            return "";
        }
        const std::regex name("Kestrel_v1\\.6\\.480-(\\d{8})-(\\d{6})-(\\d+)-(\\d+)\\.dmp");
        std::smatch parts;
        EXPECT_TRUE(std::regex_match(dumps[0], parts, name)) << dumps[0];
        if (parts.size() == 5) {
            EXPECT_EQ(parts[3], std::to_string(GetCurrentProcessId()));
            EXPECT_EQ(parts[4], std::to_string(threadId));
        }
        return LogFolder() + "\\" + dumps[0];
    }

    static constexpr const wchar_t* kShellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    ScratchFolder m_documents;
    HKEY m_folders = nullptr;
    bool m_hadValue = false;
    wchar_t m_saved[MAX_PATH * 2] = {};
    DWORD m_savedType = REG_NONE;
    DWORD m_savedSize = 0;
};

TEST_F(CrashReportWindows, FolderAndNameWithTheSystemsSeparator) {
    EXPECT_EQ(CrashLogFolder(), LogFolder());
    const platform::LocalTime time{2024, 3, 7, 9, 5, 1};
    EXPECT_EQ(CrashDumpPath("C:\\logs", time, 4242, 17),
              "C:\\logs\\Kestrel_v1.6.480-20240307-090501-4242-17.dmp");
}

TEST_F(CrashReportWindows, NullDereferenceBecomesOneDumpWithTheFaultAndTheThread) {
    const long threadId = RunFaultingThread(&DereferenceNull);
    const DumpFile dump(TheDump(threadId));
    ASSERT_TRUE(dump.IsOpen());
    const auto* exception = dump.Stream<MINIDUMP_EXCEPTION_STREAM>(ExceptionStream);
    ASSERT_NE(exception, nullptr);
    EXPECT_EQ(exception->ThreadId, static_cast<ULONG32>(threadId));
    EXPECT_EQ(exception->ExceptionRecord.ExceptionCode, EXCEPTION_ACCESS_VIOLATION);
    EXPECT_EQ(exception->ExceptionRecord.ExceptionInformation[1], 0u);  // the address written
    EXPECT_NE(exception->ThreadContext.DataSize, 0u);
    EXPECT_TRUE(dump.HasThread(static_cast<DWORD>(threadId)));
    EXPECT_TRUE(dump.HasThread(GetCurrentThreadId()));
    const auto* modules = dump.Stream<MINIDUMP_MODULE_LIST>(ModuleListStream);
    ASSERT_NE(modules, nullptr);
    EXPECT_GT(modules->NumberOfModules, 1u);
    EXPECT_NE(dump.Stream<MINIDUMP_SYSTEM_INFO>(SystemInfoStream), nullptr);
}

// The reporter of the next test, which records what it was told before reporting.
platform::FaultRecord lastFault;
int RecordingReporter(const platform::FaultRecord* fault) {
    lastFault = *fault;
    return ReportCrash(fault);
}

TEST_F(CrashReportWindows, ExceptionEscapingRunIsReportedFromTheThrow) {
    LwThread::SetFaultReporter(&RecordingReporter);
    const long threadId = RunFaultingThread(&Throw);
    EXPECT_EQ(lastFault.kind, platform::FaultKind::Exception);
    EXPECT_STREQ(lastFault.description, "C++ exception std::runtime_error: worker gave up");
    EXPECT_EQ(lastFault.threadId, threadId);
    const DumpFile dump(TheDump(threadId));
    const auto* exception = dump.Stream<MINIDUMP_EXCEPTION_STREAM>(ExceptionStream);
    ASSERT_NE(exception, nullptr);
    EXPECT_EQ(exception->ThreadId, static_cast<ULONG32>(threadId));
    EXPECT_EQ(exception->ExceptionRecord.ExceptionCode, kGccThrowCode);
}

TEST_F(CrashReportWindows, NullRecordWritesADumpWithoutExceptionIntoANewFileOnly) {
    const std::string path = m_documents / "plain.dmp";
    ASSERT_TRUE(platform::WriteMinidump(path, nullptr));
    {
        const DumpFile dump(path);
        ASSERT_TRUE(dump.IsOpen());
        EXPECT_EQ(dump.Stream<MINIDUMP_EXCEPTION_STREAM>(ExceptionStream), nullptr);
        EXPECT_TRUE(dump.HasThread(GetCurrentThreadId()));
    }
    EXPECT_FALSE(platform::WriteMinidump(path, nullptr));  // nothing replaces an existing file
    EXPECT_FALSE(platform::WriteMinidump(m_documents / "missing\\x.dmp", nullptr));
}

// Faults that need no dump: counted by a reporter of their own.
std::atomic<int> reports{0};
platform::FaultRecord countedFault;
int CountingReporter(const platform::FaultRecord* fault) {
    countedFault = *fault;
    reports.fetch_add(1);
    return 1;
}

volatile bool endRecursion = false;  // never set: the stack runs out first

__attribute__((noinline)) int Recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return endRecursion ? 0 : Recurse(depth + 1) + frame[0];
}

void OverflowTheStack() {
    Recurse(0);
}

void Abort() {
    std::abort();
}

void DivideByZero() {
    volatile int numerator = 7;  // both unknown, so that the division is really made
    volatile int zero = 0;
    volatile int result = numerator / zero;
    (void)result;
}

TEST(FaultGuardWindows, EachFaultIsReportedOnceAndTheProcessGoesOn) {
    LwThread::SetFaultReporter(&CountingReporter);
    int expected = 0;
    std::vector<platform::FaultKind> kinds;
    for (void (*fault)() : {&DereferenceNull, &Throw, &DivideByZero, &OverflowTheStack,
                            &OverflowTheStack, &Abort, &DereferenceNull}) {
        ThreadTrace trace;
        ASSERT_TRUE(LwThread::Start(new FaultingThread(&trace, fault)));
        ASSERT_TRUE(WaitUntil([&] { return trace.deleted.load() == 1; })) << expected;
        EXPECT_EQ(reports.load(), ++expected);
        EXPECT_EQ(countedFault.threadId, trace.threadId.load());
        kinds.push_back(countedFault.kind);
    }
    EXPECT_EQ(kinds, (std::vector<platform::FaultKind>{
                         platform::FaultKind::SystemException, platform::FaultKind::Exception,
                         platform::FaultKind::SystemException, platform::FaultKind::SystemException,
                         platform::FaultKind::SystemException, platform::FaultKind::Signal,
                         platform::FaultKind::SystemException}));
    EXPECT_EQ(static_cast<DWORD>(countedFault.signalCode), EXCEPTION_ACCESS_VIOLATION);
    LwThread::SetFaultReporter(&ReportCrash);
}

// A reporter that needs more stack than an overflowed thread has left, as a dump writer and a
// message box may.
int DeepReporter(const platform::FaultRecord* fault) {
    volatile char deep[256 * 1024];
    deep[0] = 1;
    deep[sizeof deep - 1] = 1;
    return CountingReporter(fault) + deep[0] - deep[sizeof deep - 1];
}

TEST(FaultGuardWindows, StackOverflowIsReportedWithStackToSpare) {
    LwThread::SetFaultReporter(&DeepReporter);
    const int before = reports.load();
    ThreadTrace trace;
    ASSERT_TRUE(LwThread::Start(new FaultingThread(&trace, &OverflowTheStack)));
    ASSERT_TRUE(WaitUntil([&] { return trace.deleted.load() == 1; }));
    EXPECT_EQ(reports.load(), before + 1);
    EXPECT_EQ(countedFault.threadId, trace.threadId.load());
    EXPECT_EQ(static_cast<DWORD>(countedFault.signalCode), EXCEPTION_STACK_OVERFLOW);
    LwThread::SetFaultReporter(&ReportCrash);
}

void CatchItself(void*) {
    try {
        Throw();
    } catch (const std::runtime_error&) {
    }
    // A debug message travels as an exception that the system handles itself.
    OutputDebugStringA("a handled exception\n");
}

TEST(FaultGuardWindows, HandledExceptionsAreNoFault) {
    const int before = reports.load();
    EXPECT_TRUE(platform::RunGuarded(&CatchItself, nullptr, &CountingReporter));
    EXPECT_EQ(reports.load(), before);
}

// A fault skips the destructors between it and the guard: the undo steps release what the
// thread holds, so that the rest of the program does not wait for it.
std::mutex held;
void FaultWhileHolding(void*) {
    held.lock();
    const platform::FaultCleanup unlock([](void*) { held.unlock(); }, nullptr);
    DereferenceNull();
}

TEST(FaultGuardWindows, CleanupsRunAndTheGuardReturnsFalse) {
    const int before = reports.load();
    std::atomic<bool> guardResult{true};
    std::atomic<bool> finished{false};
    std::thread([&] {
        guardResult = platform::RunGuarded(&FaultWhileHolding, nullptr, &CountingReporter);
        finished = true;
    }).detach();
    ASSERT_TRUE(WaitUntil([&] { return finished.load(); }));
    EXPECT_FALSE(guardResult.load());
    EXPECT_EQ(reports.load(), before + 1);
    EXPECT_TRUE(held.try_lock());
    held.unlock();
}

}  // namespace

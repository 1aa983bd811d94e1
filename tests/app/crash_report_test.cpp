// Faults on guarded threads end in exactly one crash report: a minidump under the right name
// that the debugger opens, and the message; the thread object is deleted and the process lives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <stdexcept>

#include "app/CrashReporter.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "support/worker_test_support.h"
#include "toolkit/LwThread.h"

namespace {

using workertest::ReadFile;
using workertest::ScopedEnvironment;
using workertest::ScratchFolder;

// What a faulting thread leaves for the test: its id, and its deletion.
struct ThreadTrace {
    std::atomic<long> threadId{0};
    std::atomic<bool> deleted{false};
};

class TracedThread : public LwThread {
  public:
    explicit TracedThread(ThreadTrace* trace) : m_trace(trace) {}
    ~TracedThread() override { m_trace->deleted.store(true, std::memory_order_release); }

  protected:
    void Enter() { m_trace->threadId.store(platform::CurrentThreadId()); }

  private:
    ThreadTrace* m_trace;
};

class NullDereferencingThread : public TracedThread {
  public:
    using TracedThread::TracedThread;
    // The fault itself is the point; the undefined-behaviour checker would stop it first.
    __attribute__((no_sanitize("null"), noinline)) void run() override {
        Enter();
        volatile int* volatile target = nullptr;
        *target = 42;
    }
};

// A thrower below a frame with something to destroy: reported after unwinding, its frame
// would be gone from the dump.
__attribute__((noinline)) void GiveUp(int attempt) {
    if (attempt >= 0) {
        throw std::runtime_error("worker gave up");
    }
}

class ThrowingThread : public TracedThread {
  public:
    using TracedThread::TracedThread;
    __attribute__((noinline)) void run() override {
        Enter();
        const std::string step = "step " + std::to_string(platform::CurrentThreadId());
        GiveUp(static_cast<int>(step.size()));
    }
};

// Frees a block twice, with a neighbour that keeps it from the top of the heap: glibc finds
// the corruption inside free, with the allocator's lock held.
class DoubleFreeingThread : public TracedThread {
  public:
    using TracedThread::TracedThread;
    __attribute__((noinline)) void run() override {
        Enter();
        void (*volatile release)(void*) = &std::free;
        void* volatile block = std::malloc(4096);
        void* volatile neighbour = std::malloc(4096);
        release(block);
        release(block);
        release(neighbour);
    }
};

// A desktop with a stand-in for zenity that records how it was called, and a home folder
// whose documents folder exists but holds no "Larkspur" folder yet.
class CrashReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string bin = m_scratch / "bin";
        mkdir(bin.c_str(), 0755);
        mkdir((m_scratch / "Documents").c_str(), 0755);
        const std::string zenity = bin + "/zenity";
        ASSERT_TRUE(workertest::WriteFile(
            zenity, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                        m_zenityLog + "'\necho '--end' >> '" + m_zenityLog + "'\n"));
        chmod(zenity.c_str(), 0755);
        m_tools.emplace("KESTREL_TOOLS_FOLDER", bin);
    }

    std::vector<std::string> Dumps() const {
        std::vector<std::string> names;
        for (const std::string& name : workertest::EntriesIn(LogFolder())) {
            if (name.ends_with(".dmp")) {
                names.push_back(LogFolder() + "/" + name);
            }
        }
        return names;
    }
    std::string LogFolder() const { return m_scratch / "Documents/Larkspur/Error Logs"; }
    int MessagesShown() const {
        const std::string log = ReadFile(m_zenityLog).value_or("");
        int count = 0;
        for (size_t at = log.find("--end"); at != std::string::npos;
             at = log.find("--end", at + 1)) {
            ++count;
        }
        return count;
    }

    // Starts the thread and waits until it has deleted itself. No reporter is chosen: every
    // LwThread reports to the crash reporter by default.
    void RunToEnd(LwThread* thread, ThreadTrace& trace) {
        ASSERT_TRUE(LwThread::Start(thread));
        ASSERT_TRUE(
            workertest::WaitUntil([&] { return trace.deleted.load(std::memory_order_acquire); }));
    }

    void ExpectOneReport(const ThreadTrace& trace) {
        const std::vector<std::string> dumps = Dumps();
        ASSERT_EQ(dumps.size(), 1u);
        const std::regex name(
            std::regex_replace(LogFolder(), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
            "/Kestrel_v1\\.6\\.480-\\d{8}-\\d{6}-" + std::to_string(platform::CurrentProcessId()) +
            "-" + std::to_string(trace.threadId.load()) + "\\.dmp");
        EXPECT_TRUE(std::regex_match(dumps[0], name)) << dumps[0];
        EXPECT_EQ(MessagesShown(), 1);
        const std::string shown = ReadFile(m_zenityLog).value_or("");
        EXPECT_NE(shown.find("--title=Debug\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find("--text=" + CrashMessage(dumps[0]) + "\n"), std::string::npos)
            << shown;
        m_dump = dumps[0];
    }

    // The debugger's view of the dump: every thread, and the faulting thread's backtrace.
    std::string Backtrace() {
        if (system("command -v lldb > /dev/null 2>&1") != 0) {
            return "";
        }
        const std::string output = m_scratch / "lldb.txt";
        const std::string command = "lldb --batch -c '" + m_dump +
                                    "' -o 'thread list' -o 'thread backtrace' > '" + output +
                                    "' 2>&1";
        EXPECT_EQ(system(command.c_str()), 0);
        return ReadFile(output).value_or("");
    }

    ScratchFolder m_scratch;
    std::string m_zenityLog = m_scratch / "zenity.log";
    std::string m_dump;
    ScopedEnvironment m_home{"HOME", m_scratch.path()};
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_scratch / "config"};
    ScopedEnvironment m_display{"DISPLAY", ":kestrel-test"};
    std::optional<ScopedEnvironment> m_tools;
};

TEST_F(CrashReportTest, NullDereferenceUnderTheGuard) {
    ThreadTrace trace;
    RunToEnd(new NullDereferencingThread(&trace), trace);
    ExpectOneReport(trace);
    const std::string backtrace = Backtrace();
    if (backtrace.empty()) {
        GTEST_SKIP() << "lldb is not installed";
    }
    EXPECT_NE(backtrace.find("stop reason = signal SIGSEGV"), std::string::npos) << backtrace;
    EXPECT_NE(backtrace.find("NullDereferencingThread::run"), std::string::npos) << backtrace;
    EXPECT_NE(backtrace.find("LwThread::ThreadProcedure"), std::string::npos) << backtrace;
    // The whole process: this thread, which waited for the worker, is in the dump as well.
    EXPECT_NE(backtrace.find("tid = " + std::to_string(platform::CurrentThreadId()) + ","),
              std::string::npos)
        << backtrace;
}

TEST_F(CrashReportTest, ExceptionEscapingRun) {
    ThreadTrace trace;
    RunToEnd(new ThrowingThread(&trace), trace);
    ExpectOneReport(trace);
    const std::string dump = ReadFile(m_dump).value_or("");
    EXPECT_NE(dump.find(std::string("w\0o\0r\0k\0e\0r\0 \0g\0a\0v\0e", 21)), std::string::npos)
        << "the exception's message is in the dump";
    const std::string backtrace = Backtrace();
    if (backtrace.empty()) {
        GTEST_SKIP() << "lldb is not installed";
    }
    EXPECT_NE(backtrace.find("stop reason = signal SIGABRT"), std::string::npos) << backtrace;
    // Reported where it was thrown, before anything unwound.
    EXPECT_NE(backtrace.find("GiveUp"), std::string::npos) << backtrace;
    EXPECT_NE(backtrace.find("ThrowingThread::run"), std::string::npos) << backtrace;
    EXPECT_NE(backtrace.find("LwThread::ThreadProcedure"), std::string::npos) << backtrace;
}

// An abort that is not the allocator's (here right after using it) ends only its thread.
class AbortingThread : public TracedThread {
  public:
    using TracedThread::TracedThread;
    void run() override {
        Enter();
        void* volatile block = std::malloc(4096);
        std::free(block);
        std::abort();
    }
};

TEST_F(CrashReportTest, ProcessGoesOnAfterSeveralFaults) {
    for (int i = 0; i < 4; ++i) {
        ThreadTrace trace;
        RunToEnd(i % 3 == 0   ? static_cast<LwThread*>(new NullDereferencingThread(&trace))
                 : i % 3 == 1 ? static_cast<LwThread*>(new ThrowingThread(&trace))
                              : new AbortingThread(&trace),
                 trace);
    }
    EXPECT_EQ(MessagesShown(), 4);
    EXPECT_GE(Dumps().size(), 1u);  // names repeat within one second on the same thread id only
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCheckedAllocator = true;
#elif defined(__has_feature)
constexpr bool kCheckedAllocator =
    __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool kCheckedAllocator = false;
#endif

// A corrupt heap: the report comes all the same, and the process then ends instead of hanging
// on the allocator's lock.
TEST_F(CrashReportTest, HeapCorruptionFoundInsideFree) {
    if (kCheckedAllocator) {
        GTEST_SKIP() << "the memory checker's own allocator reports the double free";
    }
    const pid_t child = fork();
    if (child == 0) {
        ThreadTrace trace;
        LwThread::Start(new DoubleFreeingThread(&trace));
        const bool ended = workertest::WaitUntil([&] { return trace.deleted.load(); });
        _exit(ended ? 0 : 2);
    }
    int status = 0;
    const bool exited =
        workertest::WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; });
    if (!exited) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    ASSERT_TRUE(exited) << "the faulting process hung";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << status;
    const std::vector<std::string> dumps = Dumps();
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_NE(dumps[0].find("-" + std::to_string(child) + "-"), std::string::npos) << dumps[0];
    EXPECT_EQ(MessagesShown(), 1);
    m_dump = dumps[0];
    const std::string backtrace = Backtrace();
    if (!backtrace.empty()) {
        EXPECT_NE(backtrace.find("DoubleFreeingThread::run"), std::string::npos) << backtrace;
    }
}

// A fault on a thread outside any guard keeps its usual effect: the process dies of it.
TEST_F(CrashReportTest, FaultOutsideAGuardIsNotCaught) {
    ThreadTrace trace;
    RunToEnd(new ThrowingThread(&trace), trace);  // handlers are installed by now
    const pid_t child = fork();
    if (child == 0) {
        volatile int* volatile target = nullptr;
        *target = 1;
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    // It dies of the signal, or through a memory checker's own handler where one runs.
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    if (WIFSIGNALED(status)) {
        EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    }
}

TEST_F(CrashReportTest, NullRecordStillWritesADump) {
    EXPECT_EQ(ReportCrash(nullptr), 1);
    ThreadTrace caller;
    caller.threadId = platform::CurrentThreadId();
    ExpectOneReport(caller);
}

TEST_F(CrashReportTest, TemporaryFolderWithoutDocuments) {
    rmdir((m_scratch / "Documents").c_str());
    const std::string temporary = m_scratch / "tmp";
    mkdir(temporary.c_str(), 0755);
    ScopedEnvironment tmpdir("TMPDIR", temporary);
    EXPECT_EQ(CrashLogFolder(), temporary + "/Larkspur/Error Logs");
    EXPECT_EQ(ReportCrash(nullptr), 1);
    EXPECT_TRUE(workertest::IsFolder(temporary + "/Larkspur/Error Logs"));
}

// The temporary folder is shared: a "Larkspur" folder there that is not the user's own (a link,
// someone else's folder) is never used, nor is a squatted per-user name.
TEST_F(CrashReportTest, TemporaryFolderOfAnotherUserIsNotUsed) {
    rmdir((m_scratch / "Documents").c_str());
    const std::string temporary = m_scratch / "tmp";
    const std::string elsewhere = m_scratch / "elsewhere";
    mkdir(temporary.c_str(), 01777);
    chmod(temporary.c_str(), 01777);
    mkdir(elsewhere.c_str(), 0700);
    ScopedEnvironment tmpdir("TMPDIR", temporary);
    const std::string perUser = temporary + "/Larkspur-" + std::to_string(geteuid());

    ASSERT_EQ(symlink(elsewhere.c_str(), (temporary + "/Larkspur").c_str()), 0);
    EXPECT_EQ(CrashLogFolder(), perUser + "/Error Logs");
    struct stat info {};
    ASSERT_EQ(lstat(perUser.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_EQ(ReportCrash(nullptr), 1);
    EXPECT_EQ(workertest::EntriesIn(perUser + "/Error Logs").size(), 1u);
    EXPECT_TRUE(workertest::EntriesIn(elsewhere).empty());

    if (geteuid() == 0) {
        // Both names taken by another user: a fresh folder of the user's own.
        const std::string shared = m_scratch / "shared";
        mkdir(shared.c_str(), 0777);
        chmod(shared.c_str(), 01777);
        ScopedEnvironment sharedTmpdir("TMPDIR", shared);
        for (const std::string name : {"/Larkspur", "/Larkspur-0"}) {
            ASSERT_EQ(mkdir((shared + name).c_str(), 0700), 0);
            ASSERT_EQ(chown((shared + name).c_str(), 65534, 65534), 0);
        }
        const std::string folder = CrashLogFolder();
        EXPECT_EQ(folder.rfind(shared + "/Larkspur-0-", 0), 0u) << folder;
        ASSERT_EQ(lstat(folder.substr(0, folder.rfind('/')).c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 0u);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
}

TEST_F(CrashReportTest, ConfiguredDocumentsFolder) {
    mkdir((m_scratch / "config").c_str(), 0755);
    mkdir((m_scratch / "Dokumente").c_str(), 0755);
    ASSERT_TRUE(workertest::WriteFile(m_scratch / "config/user-dirs.dirs",
                                      "# a comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"));
    EXPECT_EQ(CrashLogFolder(), m_scratch / "Dokumente/Larkspur/Error Logs");
}

TEST(CrashReportText, NameAndMessage) {
    const platform::LocalTime time{2024, 3, 7, 9, 5, 1};
    EXPECT_EQ(CrashDumpPath("/logs", time, 4242, 17),
              "/logs/Kestrel_v1.6.480-20240307-090501-4242-17.dmp");
    EXPECT_EQ(CrashMessage("/logs/x.dmp"),
              "Kestrel has encountered an unrecoverable error.\n\nPlease compress the following "
              "file and contact support (" +
                  std::string(kSupportAddress) + "):\n\n/logs/x.dmp");
}

}  // namespace

namespace {

TEST(SystemMessage, WithoutADesktopGoesToStandardError) {
    ScopedEnvironment display("DISPLAY", "");
    ScopedEnvironment wayland("WAYLAND_DISPLAY", "");
    ::testing::internal::CaptureStderr();
    platform::ShowSystemMessage("line one\nline two", "Debug");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Debug: line one\nline two\n");
}

TEST(SystemMessage, KdialogWhereZenityIsMissing) {
    ScratchFolder scratch;
    const std::string log = scratch / "kdialog.log";
    ASSERT_TRUE(workertest::WriteFile(
        scratch / "kdialog",
        "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + log + "'\n"));
    chmod((scratch / "kdialog").c_str(), 0755);
    ScopedEnvironment tools("KESTREL_TOOLS_FOLDER", scratch.path());
    ScopedEnvironment display("DISPLAY", ":kestrel-test");
    platform::ShowSystemMessage("a <b> & c", "Debug");
    EXPECT_EQ(ReadFile(log), "[--title][Debug][--msgbox][a <b> & c]");
}

}  // namespace

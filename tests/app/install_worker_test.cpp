// The install worker end to end into scratch folders: codes, progress, payload choice, content.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/CommandLine.h"
#include "app/CrashReporter.h"
#include "app/InstallWorker.h"
#include "app/InstallerThread.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "platform/posix/partial_files.h"
#include "support/InstallRun.h"
#include "support/worker_test_support.h"

namespace {

using testsupport::InstallRun;
using testsupport::Payload;
using workertest::EntriesIn;
using workertest::Exists;
using workertest::ReadFile;
using workertest::ScratchFolder;

std::string PluginFile(const std::string& hostFolder) {
    return hostFolder + "/Larkspur/Kestrel.aex";
}

class InstallWorkerTest : public ::testing::Test {
  protected:
    // Slot folders that exist, one per slot: <scratch>/host<slot>.
    HostTable AllSlots(bool selected = true) {
        HostTable hosts;
        for (int slot = 0; slot < kHostSlotCount; ++slot) {
            hosts.hostFolder[slot] = HostFolder(slot);
            mkdir(hosts.hostFolder[slot].c_str(), 0755);
            hosts.hostSelected[slot] = selected;
        }
        return hosts;
    }
    std::string HostFolder(int slot) const { return m_scratch / ("host" + std::to_string(slot)); }

    ScratchFolder m_scratch;
};

TEST_F(InstallWorkerTest, InstallsEverySlotWithItsBuild) {
    HostTable hosts = AllSlots();
    hosts.customBitness = 1;
    InstallRun run;
    run.Install(hosts);

    EXPECT_TRUE(run.done());
    EXPECT_FALSE(run.failed());
    EXPECT_EQ(run.errorCode(), 0);
    EXPECT_EQ(run.step(), kProgressFinished);
    EXPECT_EQ(run.repaints, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    const std::string build32 = Payload(300), build64 = Payload(400);
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        const auto content = ReadFile(PluginFile(HostFolder(slot)));
        ASSERT_TRUE(content) << slot;
        EXPECT_TRUE(*content == (slot < 2 ? build32 : build64)) << "slot " << slot;
    }
}

TEST_F(InstallWorkerTest, CustomSlotFollowsTheChosenBuild) {
    for (int32_t bitness : {0, 1}) {
        HostTable hosts = AllSlots(false);
        hosts.hostSelected[kCustomSlot] = true;
        hosts.customBitness = bitness;
        InstallRun run;
        run.Install(hosts);
        EXPECT_EQ(run.repaints, (std::vector<int32_t>{6, 7}));
        EXPECT_TRUE(ReadFile(PluginFile(HostFolder(kCustomSlot))) ==
                    Payload(bitness == 0 ? 300 : 400));
    }
}

TEST_F(InstallWorkerTest, SkipsUntickedSlotsAndEmptyFolders) {
    HostTable hosts = AllSlots(false);
    hosts.hostSelected[1] = hosts.hostSelected[4] = hosts.hostSelected[kCustomSlot] = true;
    hosts.hostFolder[kCustomSlot].clear();  // Custom ticked without a chosen folder
    InstallRun run;
    run.Install(hosts);
    EXPECT_EQ(run.repaints, (std::vector<int32_t>{1, 4, 7}));
    EXPECT_FALSE(run.failed());
    for (int slot : {0, 2, 3, 5}) {
        EXPECT_FALSE(Exists(HostFolder(slot) + "/Larkspur")) << slot;
    }
    EXPECT_TRUE(Exists(PluginFile(HostFolder(1))));
    EXPECT_TRUE(Exists(PluginFile(HostFolder(4))));
}

TEST_F(InstallWorkerTest, SecondRunReplacesTheFirst) {
    HostTable hosts = AllSlots();
    // A stale, longer plug-in from an earlier version, and a neighbour that must stay.
    ASSERT_EQ(mkdir((HostFolder(2) + "/Larkspur").c_str(), 0755), 0);
    ASSERT_TRUE(workertest::WriteFile(HostFolder(2) + "/Larkspur/other.aex", "neighbour"));
    ASSERT_TRUE(workertest::WriteFile(PluginFile(HostFolder(2)), std::string(6000000, 'z')));
    InstallRun first, second;
    first.Install(hosts);
    second.Install(hosts);
    EXPECT_FALSE(first.failed());
    EXPECT_FALSE(second.failed());
    EXPECT_EQ(second.repaints, first.repaints);
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        EXPECT_TRUE(ReadFile(PluginFile(HostFolder(slot))) ==
                    Payload(PayloadIdForSlot(slot, hosts.customBitness)));
    }
    EXPECT_EQ(ReadFile(HostFolder(2) + "/Larkspur/other.aex"), "neighbour");
    EXPECT_EQ(EntriesIn(HostFolder(2) + "/Larkspur"),
              (std::vector<std::string>{"Kestrel.aex", "other.aex"}));
}

TEST_F(InstallWorkerTest, SameFolderTwiceKeepsTheLaterSlotsBuild) {
    HostTable hosts = AllSlots(false);
    hosts.hostSelected[0] = hosts.hostSelected[kCustomSlot] = true;
    hosts.hostFolder[kCustomSlot] = hosts.hostFolder[0];
    hosts.customBitness = 1;
    InstallRun run;
    run.Install(hosts);
    EXPECT_TRUE(ReadFile(PluginFile(HostFolder(0))) == Payload(400));
}

TEST_F(InstallWorkerTest, NonAsciiFoldersAndMixedSeparators) {
    HostTable hosts = AllSlots(false);
    const std::string folder = m_scratch / "Plug-ins Ä日本 ✓";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    hosts.hostFolder[3] = folder;
    hosts.hostFolder[kCustomSlot] = folder + "/";  // a trailing separator doubles up
    hosts.hostSelected[3] = hosts.hostSelected[kCustomSlot] = true;
    InstallRun run;
    run.Install(hosts);
    EXPECT_FALSE(run.failed()) << run.errorCode();
    EXPECT_TRUE(ReadFile(PluginFile(folder)) == Payload(300));  // Custom, 32-bit, came last
}

TEST_F(InstallWorkerTest, CustomFolderIsTakenAsItIsAndKilledWritersLeftoversGo) {
    // A backslash is an ordinary character of a Linux folder name, never a separator.
    const std::string folder = m_scratch / "a\\b c";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((folder + "/Larkspur").c_str(), 0755), 0);
    const pid_t gone = fork();
    if (gone == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string stale = folder + "/Larkspur/.Kestrel.aex." + std::to_string(gone) + "-3.part";
    const std::string running =
        folder + "/Larkspur/.Kestrel.aex." + std::to_string(getppid()) + "-0.part";
    ASSERT_TRUE(workertest::WriteFile(stale, "half"));
    ASSERT_TRUE(workertest::WriteFile(running, "half"));

    HostTable hosts;
    hosts.hostFolder[kCustomSlot] = folder;
    hosts.hostSelected[kCustomSlot] = true;
    InstallRun run;
    run.Install(hosts);
    EXPECT_FALSE(run.failed()) << run.errorCode();
    EXPECT_TRUE(ReadFile(PluginFile(folder)) == Payload(300));
    EXPECT_FALSE(Exists(stale));
    EXPECT_TRUE(Exists(running));  // another installer may be writing it right now
}

TEST_F(InstallWorkerTest, LeavingOrInterruptedProcessRemovesItsUnfinishedFiles) {
    const std::string target = m_scratch / "Kestrel.aex";
    const int folder = open(m_scratch.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const std::string partial = platform::posix::PartialFileName("Kestrel.aex");
    const auto exists = [&] { return Exists(m_scratch / partial); };
    // The process-wide switches are thrown in children, where they end nothing else.
    const pid_t leaving = fork();
    if (leaving == 0) {
        const int fd = platform::posix::CreatePartialFile(folder, partial);
        const bool created = fd >= 0 && exists();
        platform::RemoveUnfinishedFiles();
        const bool refused =
            platform::ReplaceFileContents(target, "x", 1) == platform::ReplaceResult::CannotCreate;
        _exit(created && !exists() && refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(leaving, &status, 0), leaving);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t interrupted = fork();
        if (interrupted == 0) {
            platform::RemoveUnfinishedFilesOnInterrupt(kExitInterrupted);
            if (platform::posix::CreatePartialFile(folder, partial) < 0 || !exists()) {
                _exit(1);
            }
            raise(signal);
            _exit(2);
        }
        ASSERT_EQ(waitpid(interrupted, &status, 0), interrupted);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kExitInterrupted) << signal;
    }
    close(folder);
    EXPECT_EQ(EntriesIn(m_scratch.path()), std::vector<std::string>{});
}

TEST_F(InstallWorkerTest, WindowsPathInTheWinePrefix) {
    const std::string prefix = m_scratch / "prefix";
    const std::string plugins = prefix + "/drive_c/Program Files/Adobe/Plug-ins";
    ASSERT_EQ(system(("mkdir -p '" + plugins + "' '" + prefix +
                      "/dosdevices' && ln -s ../drive_c '" + prefix + "/dosdevices/c:'")
                         .c_str()),
              0);
    workertest::ScopedEnvironment wine("WINEPREFIX", prefix);
    HostTable hosts;
    hosts.hostFolder[5] = "C:\\Program Files\\ADOBE\\Plug-ins";
    hosts.hostSelected[5] = true;
    InstallRun run;
    run.Install(hosts);
    EXPECT_FALSE(run.failed()) << run.errorCode();
    EXPECT_TRUE(ReadFile(PluginFile(plugins)) == Payload(400));
}

// Failures: the exact code, earlier slots keep their files, later slots stay untouched.
class InstallWorkerFaults : public InstallWorkerTest {
  protected:
    void ExpectStoppedAt(const InstallRun& run, int slot, int step) {
        EXPECT_TRUE(run.done());
        EXPECT_TRUE(run.failed());
        EXPECT_EQ(run.errorCode(), 10 * (slot + 1) + step);
        EXPECT_EQ(run.step(), slot);
        EXPECT_EQ(run.repaints.back(), slot);
        for (int later = slot + 1; later < kHostSlotCount; ++later) {
            EXPECT_FALSE(Exists(HostFolder(later) + "/Larkspur")) << later;
        }
    }
    void ExpectInstalled(int slot) {
        EXPECT_TRUE(ReadFile(PluginFile(HostFolder(slot))) == Payload(slot < 2 ? 300 : 400))
            << slot;
    }
};

TEST_F(InstallWorkerFaults, MissingHostFolderIsCode4) {
    HostTable hosts = AllSlots();
    rmdir(HostFolder(2).c_str());
    InstallRun run;
    run.Install(hosts);
    ExpectStoppedAt(run, 2, 4);
    EXPECT_EQ(run.errorCode(), 34);
    ExpectInstalled(0);
    ExpectInstalled(1);
    EXPECT_FALSE(Exists(HostFolder(2)));
}

TEST_F(InstallWorkerFaults, RootFolderAsCustomIsWrittenThereOrRefusedWithCode74) {
    // As a user who may not write "/", in a child so that the test itself stays root.
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(1);
        }
        HostTable hosts;
        hosts.hostFolder[kCustomSlot] = "/";
        hosts.hostSelected[kCustomSlot] = true;
        InstallRun run;
        run.Install(hosts);
        _exit(run.errorCode() == 74 && !Exists("/Larkspur") ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(InstallWorkerFaults, PathComponentThatIsAFileIsCode4) {
    HostTable hosts = AllSlots();
    rmdir(HostFolder(1).c_str());
    ASSERT_TRUE(workertest::WriteFile(HostFolder(1), "a file"));
    InstallRun run;
    run.Install(hosts);
    ExpectStoppedAt(run, 1, 4);
    ExpectInstalled(0);
    EXPECT_EQ(ReadFile(HostFolder(1)), "a file");
}

TEST_F(InstallWorkerFaults, TargetThatIsAFolderIsCode4) {
    HostTable hosts = AllSlots();
    ASSERT_EQ(system(("mkdir -p '" + PluginFile(HostFolder(3)) + "'").c_str()), 0);
    InstallRun run;
    run.Install(hosts);
    ExpectStoppedAt(run, 3, 4);
    EXPECT_TRUE(workertest::IsFolder(PluginFile(HostFolder(3))));
}

// Even with every right: a link where the maker's folder or the plug-in should be leads nowhere.
TEST_F(InstallWorkerFaults, LinksInThePluginsPlaceAreCode4AndTheirTargetsStayAsTheyWere) {
    const std::string elsewhere = m_scratch / "elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0755), 0);
    ASSERT_TRUE(workertest::WriteFile(elsewhere + "/Kestrel.aex", "not ours"));
    HostTable hosts = AllSlots();
    ASSERT_EQ(symlink(elsewhere.c_str(), (HostFolder(1) + "/Larkspur").c_str()), 0);
    InstallRun linkedFolder;
    linkedFolder.Install(hosts);
    ExpectStoppedAt(linkedFolder, 1, 4);

    ASSERT_EQ(mkdir((HostFolder(2) + "/Larkspur").c_str(), 0755), 0);
    ASSERT_EQ(symlink((elsewhere + "/Kestrel.aex").c_str(), PluginFile(HostFolder(2)).c_str()), 0);
    hosts.hostSelected[1] = false;
    InstallRun linkedFile;
    linkedFile.Install(hosts);
    ExpectStoppedAt(linkedFile, 2, 4);
    EXPECT_EQ(ReadFile(elsewhere + "/Kestrel.aex"), "not ours");
    EXPECT_EQ(workertest::EntriesIn(elsewhere), std::vector<std::string>{"Kestrel.aex"});
}

bool NoBuild64(int type, int id, platform::ResourceBlock* out) {
    return id != 400 && platform::FindResource(type, id, out);
}

bool UnreadableBuild64(int type, int id, platform::ResourceBlock* out) {
    if (id == 400) {
        *out = {};
        return true;
    }
    return platform::FindResource(type, id, out);
}

TEST_F(InstallWorkerFaults, MissingResourceIsCode2) {
    HostTable hosts = AllSlots(false);
    hosts.hostSelected[kCustomSlot] = true;
    hosts.customBitness = 1;
    InstallRun run;
    run.Install(hosts, &NoBuild64);
    ExpectStoppedAt(run, kCustomSlot, 2);
    EXPECT_EQ(run.errorCode(), 72);
}

TEST_F(InstallWorkerFaults, UnreadableResourceIsCode3) {
    HostTable hosts = AllSlots();
    InstallRun run;
    run.Install(hosts, &UnreadableBuild64);
    ExpectStoppedAt(run, 2, 3);
    ExpectInstalled(0);
    ExpectInstalled(1);
}

// A file-size limit cuts the write short: the count written is checked.
TEST_F(InstallWorkerFaults, SizeLimitedWriteIsCode5AndKeepsTheOldFile) {
    HostTable hosts = AllSlots(false);
    hosts.hostSelected[4] = true;
    ASSERT_EQ(mkdir((HostFolder(4) + "/Larkspur").c_str(), 0755), 0);
    const std::string working(100000, 'w');
    ASSERT_TRUE(workertest::WriteFile(PluginFile(HostFolder(4)), working));

    for (rlim_t limit : {rlim_t{1 << 20}, rlim_t{0}}) {
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        InstallRun run;
        run.Install(hosts);
        setrlimit(RLIMIT_FSIZE, &saved);

        ExpectStoppedAt(run, 4, 5);
        EXPECT_EQ(run.errorCode(), 55);
        EXPECT_EQ(ReadFile(PluginFile(HostFolder(4))), working) << "limit " << limit;
    }
}

// A full file system, made with a small tmpfs where the test may mount one (root in CI).
TEST_F(InstallWorkerFaults, FullFileSystemIsCode5AndKeepsTheOldFile) {
    HostTable hosts = AllSlots();
    const std::string mountPoint = HostFolder(2);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=7m") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    InstallRun first;
    first.Install(hosts);  // slot 2 fits once
    ASSERT_FALSE(first.failed());
    for (int later = 3; later < kHostSlotCount; ++later) {
        ASSERT_EQ(system(("rm -r '" + HostFolder(later) + "/Larkspur'").c_str()), 0);
    }
    InstallRun second;
    second.Install(hosts);  // a second copy beside it does not
    ExpectStoppedAt(second, 2, 5);
    ExpectInstalled(0);
    ExpectInstalled(1);
    ExpectInstalled(2);
    // The unfinished copy is gone: the folder holds the plug-in only.
    EXPECT_EQ(EntriesIn(mountPoint + "/Larkspur"), std::vector<std::string>{"Kestrel.aex"});
    umount(mountPoint.c_str());
}

TEST(InstallWorkerStatus, DetachedHookIsNeverCalledAgain) {
    auto status = std::make_shared<InstallStatus>();
    int calls = 0;
    status->SetRepaintHook([&calls] { ++calls; });
    status->RequestRepaint();
    status->DetachRepaintHook();
    status->RequestRepaint();
    EXPECT_EQ(calls, 1);
}

__attribute__((no_sanitize("null"), noinline)) void DereferenceNull() {
    volatile int* volatile target = nullptr;
    *target = 1;
}

void ThrowFromTheHook() {
    throw std::runtime_error("window gone");
}

// A hook that faults on the worker, by a signal or by an exception: the fault is reported,
// and the window can still detach, instead of waiting for a lock held by a dead worker.
TEST_F(InstallWorkerTest, FaultInsideTheRepaintHookLeavesItDetachable) {
    LwThread::SetFaultReporter([](const platform::FaultRecord*) { return 1; });
    for (void (*fault)() : {&DereferenceNull, &ThrowFromTheHook}) {
        auto status = std::make_shared<InstallStatus>();
        status->SetRepaintHook(fault);
        ASSERT_TRUE(LwThread::Start(new InstallerThread(InstallWorker(AllSlots(), status))));
        // The worker's share goes with its thread object, once the fault is reported.
        ASSERT_TRUE(workertest::WaitUntil([&] { return status.use_count() == 1; }));
        EXPECT_EQ(status->progressStep.load(), 0);
        EXPECT_FALSE(status->installDone.load());
        // Detached on a thread of its own, so that a hang fails the test instead of stopping it.
        auto detached = std::make_shared<std::atomic<bool>>(false);
        std::thread([status, detached] {
            status->DetachRepaintHook();
            detached->store(true);
        }).detach();
        EXPECT_TRUE(workertest::WaitUntil([&] { return detached->load(); }));
    }
    LwThread::SetFaultReporter(&ReportCrash);
}

// On its own thread, with the window's side gone before the worker finishes.
TEST_F(InstallWorkerTest, InstallerThreadOutlivesTheWindowsSide) {
    HostTable hosts = AllSlots();
    auto status = std::make_shared<InstallStatus>();
    std::weak_ptr<InstallStatus> watch = status;
    std::mutex seenMutex;
    std::vector<int32_t> seen;
    status->SetRepaintHook([&] {
        std::lock_guard<std::mutex> lock(seenMutex);
        seen.push_back(status->progressStep.load(std::memory_order_acquire));
    });
    ASSERT_TRUE(InstallerThread::Start(InstallWorker(hosts, status)));
    // The window reads progress as it polls, then goes away mid-way.
    ASSERT_TRUE(workertest::WaitUntil(
        [&] { return status->progressStep.load(std::memory_order_acquire) >= 1; }));
    status->DetachRepaintHook();
    {
        std::lock_guard<std::mutex> lock(seenMutex);
        EXPECT_FALSE(seen.empty());
        for (size_t i = 1; i < seen.size(); ++i) {
            EXPECT_GT(seen[i], seen[i - 1]);
        }
    }
    status.reset();
    // The worker keeps its share until it finishes, then the thread object lets it go.
    ASSERT_TRUE(workertest::WaitUntil([&] { return watch.expired(); }));
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        EXPECT_TRUE(Exists(PluginFile(HostFolder(slot)))) << slot;
    }
}

TEST_F(InstallWorkerTest, InstallerThreadPublishesTheCodeBeforeDone) {
    HostTable hosts = AllSlots();
    rmdir(HostFolder(5).c_str());
    auto status = std::make_shared<InstallStatus>();
    ASSERT_TRUE(InstallerThread::Start(InstallWorker(hosts, status)));
    ASSERT_TRUE(
        workertest::WaitUntil([&] { return status->installDone.load(std::memory_order_acquire); }));
    EXPECT_TRUE(status->installFailed.load(std::memory_order_acquire));
    EXPECT_EQ(status->errorCode.load(std::memory_order_acquire), 64);
    EXPECT_EQ(status->progressStep.load(std::memory_order_acquire), 5);
}

}  // namespace

// The install worker on Windows, end to end into scratch folders: every step code, the progress,
// the payload of each slot, replacement that never leaves a broken file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/InstallWorker.h"
#include "app/InstallerThread.h"
#include "platform/Files.h"
#include "platform/HostPaths.h"
#include "platform/Resources.h"
#include "platform/win32/partial_files.h"
#include "support/InstallRun.h"
#include "win32_test_support.h"

namespace {

using testsupport::InstallRun;
using testsupport::Payload;
using wintest::Exists;
using wintest::ReadFile;
using wintest::ScratchFolder;

std::string PluginFile(const std::string& hostFolder) {
    return hostFolder + "\\Larkspur\\Kestrel.aex";
}

std::vector<std::string> EntriesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(Utf8ToWide(folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = WideToUtf8(entry.cFileName);
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class InstallWorkerWindows : public ::testing::Test {
  protected:
    // Slot folders that exist, one per slot: <scratch>\host<slot>.
    HostTable AllSlots(bool selected = true) {
        HostTable hosts;
        for (int slot = 0; slot < kHostSlotCount; ++slot) {
            hosts.hostFolder[slot] = HostFolder(slot);
            CreateDirectoryW(Utf8ToWide(hosts.hostFolder[slot]).c_str(), nullptr);
            hosts.hostSelected[slot] = selected;
        }
        return hosts;
    }
    std::string HostFolder(int slot) const { return m_scratch / ("host" + std::to_string(slot)); }
    void ExpectStoppedAt(const InstallRun& run, int slot, int step) {
        EXPECT_TRUE(run.done());
        EXPECT_TRUE(run.failed());
        EXPECT_EQ(run.errorCode(), 10 * (slot + 1) + step);
        EXPECT_EQ(run.step(), slot);
        for (int later = slot + 1; later < kHostSlotCount; ++later) {
            EXPECT_FALSE(Exists(HostFolder(later) + "\\Larkspur")) << later;
        }
    }

    ScratchFolder m_scratch;
};

TEST_F(InstallWorkerWindows, InstallsEverySlotWithItsBuildAndReplacesOnASecondRun) {
    HostTable hosts = AllSlots();
    hosts.customBitness = 1;
    // A stale, longer plug-in from an earlier version, and a neighbour that must stay.
    ASSERT_TRUE(platform::CreateFolder(HostFolder(2) + "\\Larkspur"));
    ASSERT_TRUE(wintest::WriteFile(HostFolder(2) + "\\Larkspur\\other.aex", "neighbour"));
    ASSERT_TRUE(wintest::WriteFile(PluginFile(HostFolder(2)), std::string(6000000, 'z')));
    for (int round = 0; round < 2; ++round) {
        InstallRun run;
        run.Install(hosts);
        EXPECT_TRUE(run.done());
        EXPECT_FALSE(run.failed()) << run.errorCode();
        EXPECT_EQ(run.repaints, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
        for (int slot = 0; slot < kHostSlotCount; ++slot) {
            EXPECT_TRUE(ReadFile(PluginFile(HostFolder(slot))) == Payload(slot < 2 ? 300 : 400))
                << "slot " << slot << " round " << round;
        }
    }
    EXPECT_EQ(EntriesIn(HostFolder(2) + "\\Larkspur"),
              (std::vector<std::string>{"Kestrel.aex", "other.aex"}));
}

TEST_F(InstallWorkerWindows, CustomFolderFromTheChooserAndNonAsciiHostFolder) {
    HostTable hosts = AllSlots(false);
    const std::string folder = m_scratch / "Plug-ins \u00C4\u65E5\u672C \u2713";
    ASSERT_TRUE(platform::CreateFolder(folder));
    hosts.hostFolder[3] = folder + "\\";  // a trailing separator doubles up
    std::string chooser = folder;         // the chooser's form: forward slashes
    std::replace(chooser.begin(), chooser.end(), '\\', '/');
    hosts.hostFolder[kCustomSlot] = chooser;
    hosts.hostSelected[3] = hosts.hostSelected[kCustomSlot] = true;
    InstallRun run;
    run.Install(hosts);
    EXPECT_FALSE(run.failed()) << run.errorCode();
    EXPECT_EQ(run.repaints, (std::vector<int32_t>{3, 6, 7}));
    EXPECT_TRUE(ReadFile(PluginFile(folder)) == Payload(300));  // Custom, 32-bit, came last
}

TEST_F(InstallWorkerWindows, MissingHostFolderIsCode4AndEarlierSlotsKeepTheirFiles) {
    HostTable hosts = AllSlots();
    RemoveDirectoryW(Utf8ToWide(HostFolder(2)).c_str());
    InstallRun run;
    run.Install(hosts);
    ExpectStoppedAt(run, 2, 4);
    EXPECT_EQ(run.errorCode(), 34);
    EXPECT_TRUE(ReadFile(PluginFile(HostFolder(0))) == Payload(300));
    EXPECT_TRUE(ReadFile(PluginFile(HostFolder(1))) == Payload(300));
    EXPECT_FALSE(Exists(HostFolder(2)));
}

TEST_F(InstallWorkerWindows, TargetsThatCannotBeWrittenAreCode4AndStayAsTheyWere) {
    // A folder in the file's place, a read-only file, and a file that another program holds
    // open without letting anyone write (a loaded plug-in).
    HostTable hosts = AllSlots(false);
    hosts.hostSelected[3] = true;
    ASSERT_TRUE(platform::CreateFolders(PluginFile(HostFolder(3))));
    InstallRun folderRun;
    folderRun.Install(hosts);
    ExpectStoppedAt(folderRun, 3, 4);
    EXPECT_TRUE(wintest::IsFolder(PluginFile(HostFolder(3))));
    // Under the code, the folder and the system's own words, from FormatMessage.
    EXPECT_EQ(folderRun.detail(), HostFolder(3) + "\\Larkspur: Access denied");

    hosts.hostSelected[3] = false;
    hosts.hostSelected[4] = true;
    const std::wstring readOnly = Utf8ToWide(PluginFile(HostFolder(4)));
    ASSERT_TRUE(platform::CreateFolder(HostFolder(4) + "\\Larkspur"));
    ASSERT_TRUE(wintest::WriteFile(PluginFile(HostFolder(4)), "old"));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    InstallRun readOnlyRun;
    readOnlyRun.Install(hosts);
    ExpectStoppedAt(readOnlyRun, 4, 4);
    EXPECT_EQ(readOnlyRun.detail(), HostFolder(4) + "\\Larkspur: Access denied");
    EXPECT_TRUE(ReadFile(PluginFile(HostFolder(4))) == "old");

    hosts.hostSelected[4] = false;
    hosts.hostSelected[5] = true;
    ASSERT_TRUE(platform::CreateFolder(HostFolder(5) + "\\Larkspur"));
    ASSERT_TRUE(wintest::WriteFile(PluginFile(HostFolder(5)), "loaded"));
    HANDLE held = CreateFileW(Utf8ToWide(PluginFile(HostFolder(5))).c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    InstallRun heldRun;
    heldRun.Install(hosts);
    CloseHandle(held);
    ExpectStoppedAt(heldRun, 5, 4);
    EXPECT_EQ(heldRun.detail(), HostFolder(5) + "\\Larkspur: Sharing violation");
    EXPECT_TRUE(ReadFile(PluginFile(HostFolder(5))) == "loaded");
    EXPECT_EQ(EntriesIn(HostFolder(5) + "\\Larkspur"), std::vector<std::string>{"Kestrel.aex"});
}

TEST_F(InstallWorkerWindows, HostPathsThatNameNoPlaceHereAreCode4) {
    EXPECT_EQ(platform::HostPathToFilePath("C:\\Program Files\\x"), "C:\\Program Files\\x");
    EXPECT_EQ(platform::HostPathToFilePath("\\\\server\\share\\x"), "\\\\server\\share\\x");
    for (const char* folder : {"Plug-ins", "C:Plug-ins", "\\Plug-ins", "Q:\\no drive"}) {
        HostTable hosts;
        hosts.hostFolder[1] = folder;
        hosts.hostSelected[1] = true;
        InstallRun run;
        run.Install(hosts);
        EXPECT_EQ(run.errorCode(), 24) << folder;
    }
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

// Pages that are reserved but not readable: WriteFile fails on them, as it does when the
// executable's pages cannot be read back from its disk.
bool VanishedBuild64(int type, int id, platform::ResourceBlock* out) {
    if (id == 400) {
        static void* reserved = VirtualAlloc(nullptr, 1 << 20, MEM_RESERVE, PAGE_NOACCESS);
        *out = {static_cast<const uint8_t*>(reserved), 1 << 20};
        return true;
    }
    return platform::FindResource(type, id, out);
}

TEST_F(InstallWorkerWindows, PayloadFailuresAreCodes2And3) {
    HostTable hosts = AllSlots(false);
    hosts.hostSelected[kCustomSlot] = true;
    hosts.customBitness = 1;
    InstallRun unreadable;
    unreadable.Install(AllSlots(), &UnreadableBuild64);
    ExpectStoppedAt(unreadable, 2, 3);

    InstallRun missing;
    missing.Install(hosts, &NoBuild64);
    ExpectStoppedAt(missing, kCustomSlot, 2);
    EXPECT_EQ(missing.errorCode(), 72);
}

TEST_F(InstallWorkerWindows, FailedWriteIsCode5AndKeepsTheOldFileWhole) {
    HostTable hosts = AllSlots(false);
    hosts.hostSelected[4] = true;
    ASSERT_TRUE(platform::CreateFolder(HostFolder(4) + "\\Larkspur"));
    const std::string working(100000, 'w');
    ASSERT_TRUE(wintest::WriteFile(PluginFile(HostFolder(4)), working));
    InstallRun run;
    run.Install(hosts, &VanishedBuild64);
    ExpectStoppedAt(run, 4, 5);
    EXPECT_EQ(run.errorCode(), 55);
    EXPECT_TRUE(ReadFile(PluginFile(HostFolder(4))) == working);
    EXPECT_EQ(EntriesIn(HostFolder(4) + "\\Larkspur"), std::vector<std::string>{"Kestrel.aex"});
}

TEST_F(InstallWorkerWindows, KilledWritersLeftoversGoARunningWritersStay) {
    // The id of a process that has ended: one started and waited for.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION ended{};
    std::wstring line = L"cmd.exe /c exit 0";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &ended));
    WaitForSingleObject(ended.hProcess, INFINITE);
    const DWORD goneId = ended.dwProcessId;
    HostTable hosts = AllSlots(false);
    hosts.hostSelected[0] = true;
    const std::string folder = HostFolder(0) + "\\Larkspur";
    ASSERT_TRUE(platform::CreateFolder(folder));
    const std::string stale = folder + "\\.Kestrel.aex." + std::to_string(goneId) + "-3.part";
    // This very process stands for another installer that is still writing.
    const std::string running =
        folder + "\\.Kestrel.aex." + std::to_string(GetCurrentProcessId()) + "-99.part";
    ASSERT_TRUE(wintest::WriteFile(stale, "half"));
    ASSERT_TRUE(wintest::WriteFile(running, "half"));
    InstallRun run;
    run.Install(hosts);
    CloseHandle(ended.hThread);
    CloseHandle(ended.hProcess);  // held until now, so that the id was not reused meanwhile
    EXPECT_FALSE(run.failed()) << run.errorCode();
    EXPECT_FALSE(Exists(stale));
    EXPECT_TRUE(Exists(running));
}

// The switch that RemoveUnfinishedFiles throws is process-wide: the test runs in a child process,
// this program started again with only the child's half of the test selected.
TEST(InstallWorkerWindowsChild, LeavingProcessRemovesItsUnfinishedFilesAndStartsNoMore) {
    const char* folder = std::getenv("KESTREL_TEST_EXIT_FOLDER");
    if (!folder) {
        GTEST_SKIP() << "the child's half of LeavingProcessRemovesItsUnfinishedFiles";
    }
    const std::wstring target = Utf8ToWide(std::string(folder) + "\\Kestrel.aex");
    // A worker's file, still open for writing when the process leaves.
    const std::wstring partial = platform::win32::PartialFileName(target);
    HANDLE writing = platform::win32::CreatePartialFile(partial);
    ASSERT_NE(writing, INVALID_HANDLE_VALUE);
    platform::RemoveUnfinishedFiles();
    CloseHandle(writing);
    EXPECT_FALSE(Exists(WideToUtf8(partial)));
    EXPECT_EQ(platform::ReplaceFileContents(WideToUtf8(target), "x", 1),
              platform::ReplaceResult::CannotCreate);
}

TEST_F(InstallWorkerWindows, LeavingProcessRemovesItsUnfinishedFiles) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    ASSERT_TRUE(
        SetEnvironmentVariableW(L"KESTREL_TEST_EXIT_FOLDER", Utf8ToWide(m_scratch.path()).c_str()));
    const int code = wintest::Run(
        L"\"" + std::wstring(self) +
        L"\" --gtest_filter=InstallWorkerWindowsChild.LeavingProcessRemovesItsUnfinishedFiles*");
    SetEnvironmentVariableW(L"KESTREL_TEST_EXIT_FOLDER", nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(EntriesIn(m_scratch.path()), std::vector<std::string>{});
}

TEST_F(InstallWorkerWindows, InstallerThreadPublishesTheCodeBeforeDone) {
    HostTable hosts = AllSlots();
    RemoveDirectoryW(Utf8ToWide(HostFolder(5)).c_str());
    auto status = std::make_shared<InstallStatus>();
    std::weak_ptr<InstallStatus> watch = status;
    ASSERT_TRUE(InstallerThread::Start(InstallWorker(hosts, status)));
    ASSERT_TRUE(wintest::WaitUntil([&] { return status->installDone.load(); }));
    EXPECT_TRUE(status->installFailed.load());
    EXPECT_EQ(status->errorCode.load(), 64);
    EXPECT_EQ(status->progressStep.load(), 5);
    status.reset();
    // The thread object lets its share go once the worker is done.
    EXPECT_TRUE(wintest::WaitUntil([&] { return watch.expired(); }));
}

}  // namespace

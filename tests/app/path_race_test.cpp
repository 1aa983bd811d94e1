// The built program run by root (a deployment tool) into a folder that a local user controls,
// while that user swaps the plug-in's folder for a link to another user's plug-in at the moment
// the program starts working in it: the write stays in the folder the program opened.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "support/ProgramRun.h"
#include "support/worker_test_support.h"

namespace {

namespace fs = std::filesystem;
using workertest::ReadFile;
using workertest::ScratchFolder;

// Swaps `folder` for a link to `target` as soon as something opens it; true once swapped.
class SwapOnOpen {
  public:
    SwapOnOpen(const fs::path& folder, const fs::path& target) {
        m_watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        inotify_add_watch(m_watch, folder.c_str(), IN_OPEN | IN_ONLYDIR);
        m_thread = std::thread([this, folder, target] {
            pollfd watched{m_watch, POLLIN, 0};
            alignas(inotify_event) char buffer[4096];
            while (!m_stop && poll(&watched, 1, 50) >= 0) {
                const ssize_t length = read(m_watch, buffer, sizeof buffer);
                for (ssize_t at = 0; at < length;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                    if (event->len == 0 && (event->mask & IN_OPEN)) {  // the folder itself
                        fs::rename(folder, folder.string() + ".moved");
                        fs::create_directory_symlink(target, folder);
                        m_swapped = true;
                        return;
                    }
                    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                }
            }
        });
    }
    ~SwapOnOpen() {
        m_stop = true;
        m_thread.join();
        close(m_watch);
    }
    bool swapped() const { return m_swapped; }

  private:
    int m_watch = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_swapped{false};
    std::thread m_thread;
};

TEST(PathRace, APluginFolderSwappedForALinkWhileInUseLeadsNowhere) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "the attack is on a program run by root";
    }
    ScratchFolder scratch;
    const fs::path victim = scratch / "victim/Larkspur";
    fs::create_directories(victim);
    ASSERT_TRUE(workertest::WriteFile(victim / "Kestrel.aex", "the victim's own build"));
    // The user's folder, crowded so that a walk through it takes a while, as a user can make it.
    const fs::path custom = scratch / "custom";
    fs::create_directories(custom / "Larkspur");
    for (int i = 0; i < 100000; ++i) {
        ASSERT_TRUE(workertest::WriteFile(custom / "Larkspur" / std::to_string(i), ""));
    }

    testsupport::ProgramRun run;
    {
        const SwapOnOpen attacker(custom / "Larkspur", victim);
        run = testsupport::RunProgram({"--silent", "--custom=" + custom.string()},
                                      {{"WINEPREFIX", scratch / "no-prefix"}});
        ASSERT_TRUE(
            workertest::WaitUntil([&] { return attacker.swapped(); }, std::chrono::seconds(10)));
    }
    // Compared as a whole: a replaced file would print the whole payload.
    EXPECT_TRUE(ReadFile(victim / "Kestrel.aex") == "the victim's own build") << run.err;
    EXPECT_EQ(workertest::EntriesIn(victim), std::vector<std::string>{"Kestrel.aex"});
}

}  // namespace

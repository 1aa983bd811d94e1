// The built installer as a user meets it: the program started on the X server over a Wine prefix
// with hosts in both registry views, clicked through from outside, its files and exit code checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/worker_test_support.h"
#include "wizard_program.h"

namespace {

using namespace wizardtest;

TEST_F(WizardProgram, ClickedThroughItInstallsBothViewsAndExitsZero) {
    Start({{1, false, HostFolder(1)}, {5, true, HostFolder(5)}});
    // The icon comes once the first picture is up.
    const std::vector<int> sizes{16, 24, 32, 48, 64, 128, 256};
    EXPECT_TRUE(PumpUntil([&] { return IconSizes() == sizes; })) << IconSizes().size();
    ClickThroughToInstallation();
    ExpectBothViewsInstalledThenFinishExitsZero();
}

TEST_F(WizardProgram, DrivenByKeysAloneItInstallsBothViewsAndExitsZero) {
    Start({{1, false, HostFolder(1)}, {5, true, HostFolder(5)}});
    KeyThroughInstallationThenExitZero();
}

TEST_F(WizardProgram, ClosedDuringInstallationItAsksThenLeavesNothingHalfWritten) {
    // The second host's file is held as it is created, so the close comes mid-installation.
    std::unique_ptr<FileOpenGate> gate;
    std::filesystem::path heldFolder;
    Start({{0, false, HostFolder(0)}, {4, true, HostFolder(4)}}, [&] {
        heldFolder = prefix_->PluginOf(HostFolder(4)).parent_path();
        std::filesystem::create_directories(heldFolder);
        gate = std::make_unique<FileOpenGate>(heldFolder);
    });
    if (!gate->Works()) {
        GTEST_SKIP() << "holding a file's opening needs fanotify and CAP_SYS_ADMIN";
    }
    ClickThroughToInstallation();
    ASSERT_TRUE(PumpUntil([&] { return gate->Holding(); }, 10s));
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(0))), Payload(300));

    // The window manager's close box asks first; "YES (CANCEL)" closes the window.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window_;
    close.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    XSendEvent(display_, window_, False, NoEventMask, &close);
    XFlush(display_);
    ::Window dialog = 0;
    ASSERT_TRUE(PumpUntil([&] {
        dialog = FindWindowNamed(display_, DefaultRootWindow(display_), kCancelTitle);
        return dialog && ChildrenLeftToRight(display_, dialog).size() == 2;
    }));
    const ::Window yes = ChildrenLeftToRight(display_, dialog).front();
    XWindowAttributes button;
    ASSERT_TRUE(XGetWindowAttributes(display_, yes, &button));
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display_, yes, DefaultRootWindow(display_), button.width / 2,
                          button.height / 2, &x, &y, &child);
    testsupport::MovePointerToScreen({x, y});
    testsupport::Click(1);
    ASSERT_TRUE(PumpUntil(
        [&] { return !FindWindowNamed(display_, DefaultRootWindow(display_), kWizardTitle); }));

    // The disk comes back while the process is on its way out.
    gate->Release();
    int code = -1;
    ASSERT_TRUE(PumpUntil([&] { return Exited(&code); }, 10s));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(0))), Payload(300));
    // Nothing half-written: no partial file, and a plug-in only if it is whole.
    for (const auto& entry : std::filesystem::directory_iterator(heldFolder)) {
        EXPECT_EQ(entry.path().filename(), "Kestrel.aex");
        EXPECT_TRUE(workertest::ReadFile(entry.path()) == Payload(400)) << entry.path();
    }
}

}  // namespace

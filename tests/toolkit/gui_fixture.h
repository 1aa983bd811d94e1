// A shown window with recording panels, for tests that drive the toolkit with real X input.
#pragma once

#include <algorithm>
#include <memory>

#include "recording.h"
#include "support/XTestHarness.h"

inline int Count(const std::vector<int>& codes, int code) {
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
}

class ShownWindowTest : public testsupport::GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        window = std::make_unique<RecordingWindow>(nullptr, LwPoint{40, 40}, LwSize{300, 200},
                                                   "toolkit test", 0);
        window->SetBackgroundColor(LwGrey(30));
    }

    void TearDown() override {
        window.reset();
        GuiTest::TearDown();
    }

    // Shows the window and waits until it is on screen and painted.
    void ShowWindow() {
        window->Show(true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(window->GetNativeWindow()));
        ASSERT_TRUE(testsupport::PumpUntil([&] { return window->log.paints > 0; }));
        testsupport::PumpFor(std::chrono::milliseconds(30));
    }

    RecordingPanel* AddPanel(LwPoint position, LwSize size, LwObject* parent = nullptr) {
        auto* panel = new RecordingPanel(parent ? parent : window.get(), position, size);
        panel->SetBackgroundColor(LwGrey(90));
        return panel;
    }

    std::unique_ptr<RecordingWindow> window;
};

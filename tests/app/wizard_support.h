// What the wizard's tests share: a Wine prefix with hosts in both registry views, the wizard
// window on the test X server, clicks on its controls, and answers to its message dialogs given
// from inside their own modal loops.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/InstallerUI.h"
#include "app/host_prefix.h"
#include "controls/LwPopupDialog.h"
#include "controls/LwSystemButton.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "support/XTestHarness.h"

namespace wizardtest {

inline LwPoint CentreOf(LwObject* object) {
    const LwSize size = object->GetSize();
    return LwPoint{size.width / 2, size.height / 2};
}

// A real click with the pointer over the object's point (its centre by default). A click right
// where the last one landed moves a few pixels aside, as a user's hand would, so that two quick
// clicks on buttons in the same place are not taken for a double click.
inline void ClickOn(LwObject* object, LwPoint at = {-1, -1}) {
    static LwPoint last{-100, -100};
    const platform::NativeWindow window = object->GetNativeWindow();
    LwPoint client = at.x < 0 ? CentreOf(object) : at;
    const LwPoint screen = testsupport::ScreenPointOnServer(window, client);
    if (std::abs(screen.x - last.x) <= 4 && std::abs(screen.y - last.y) <= 4) {
        client.x += last.x <= screen.x ? 8 : -8;
    }
    EXPECT_TRUE(testsupport::MovePointerOnto(window, client));
    last = testsupport::ScreenPointOnServer(window, client);
    testsupport::Click(1);
}

// Answers the wizard's message dialogs, in order, by clicking the button of the given index,
// from a timer that keeps ticking inside each dialog's modal loop; records their messages.
class DialogAnswers {
  public:
    explicit DialogAnswers(InstallerUI* wizard) : wizard_(wizard) {
        current_ = this;
        platform::SetTimer(wizard_->GetNativeWindow(), kTimerId, 20, &Tick);
    }
    ~DialogAnswers() {
        platform::KillTimer(wizard_->GetNativeWindow(), kTimerId);
        current_ = nullptr;
    }

    // Clicks the button once the dialog has been open for `after`.
    void Answer(int buttonIndex, std::chrono::milliseconds after = {}) {
        answers_.push_back({buttonIndex, 0, after});
    }
    // Answers with a key (an X keysym) instead, as a keyboard user would.
    void AnswerWithKey(unsigned long keysym) { answers_.push_back({-1, keysym, {}}); }
    const std::vector<std::string>& Messages() const { return messages_; }
    // The most dialogs that were running at one time, one over the other.
    int MostOpenAtOnce() const { return mostOpen_; }

  private:
    static constexpr unsigned kTimerId = 0x5eed;

    // Waiting for a dialog to show pumps the loop, so the timer ticks inside an answer too; only
    // the outer tick answers, or the two would take the same reply from the list.
    static void Tick(platform::NativeWindow, platform::MessageId, unsigned, uint32_t) {
        if (current_ && !current_->answering_) {
            current_->answering_ = true;
            current_->AnswerOpenDialog();
            current_->answering_ = false;
        }
    }

    void AnswerOpenDialog() {
        LwPopupDialog* open = nullptr;
        int running = 0;
        for (LwObject* child : wizard_->GetChildren()) {
            auto* dialog = dynamic_cast<LwPopupDialog*>(child);
            if (dialog && dialog->IsRunning()) {
                open = dialog;
                ++running;
            }
        }
        mostOpen_ = std::max(mostOpen_, running);
        // A dialog being answered stays open until the click arrives. The next one may take its
        // address, but never its window handle.
        if (!open || open->GetNativeWindow() == answered_ || answers_.empty()) {
            return;
        }
        if (!testsupport::WaitUntilViewable(open->GetNativeWindow())) {
            return;
        }
        if (open->GetNativeWindow() != seen_) {
            seen_ = open->GetNativeWindow();
            seenAt_ = std::chrono::steady_clock::now();
        }
        if (std::chrono::steady_clock::now() - seenAt_ < answers_.front().after) {
            return;
        }
        answered_ = open->GetNativeWindow();
        messages_.push_back(open->GetMessage());
        std::vector<LwSystemButton*> buttons;
        for (LwObject* part : open->GetChildren()) {
            if (auto* button = dynamic_cast<LwSystemButton*>(part)) {
                buttons.push_back(button);
            }
        }
        const Reply answer = answers_.front();
        answers_.erase(answers_.begin());
        if (answer.keysym) {
            testsupport::TapKey(answer.keysym);
        } else {
            ClickOn(buttons.at(static_cast<size_t>(answer.button)));
        }
    }

    struct Reply {
        int button;
        unsigned long keysym;  // 0: a click on the button
        std::chrono::milliseconds after;
    };

    static inline DialogAnswers* current_ = nullptr;
    InstallerUI* wizard_;
    std::vector<Reply> answers_;
    std::vector<std::string> messages_;
    platform::NativeWindow answered_;
    platform::NativeWindow seen_ = nullptr;
    std::chrono::steady_clock::time_point seenAt_;
    int mostOpen_ = 0;
    bool answering_ = false;
};

// The wizard built over a prefix, shown on the test server with the pointer out of its way.
class WizardTest : public testsupport::GuiTest {
  protected:
    // `prepare` may change the prefix before the wizard detects its hosts.
    void Open(const std::vector<Host>& hosts, const std::function<void()>& prepare = {}) {
        prefix_ = std::make_unique<HostPrefix>(hosts);
        if (prepare) {
            prepare();
        }
        testsupport::ParkPointer();
        wizard_ = std::make_unique<InstallerUI>();
        Track(wizard_->GetNativeWindow());
        wizard_->Show(true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(wizard_->GetNativeWindow()));
    }
    void TearDown() override {
        wizard_.reset();
        prefix_.reset();
        GuiTest::TearDown();
    }

    // Clicks a navigation button and waits until the wizard shows `page`.
    bool Press(LwSystemButton* button, WizardPage page) {
        ClickOn(button);
        return testsupport::PumpUntil([&] { return wizard_->GetPage() == page; });
    }
    bool Shown(LwObject* object) { return platform::IsWindowVisible(object->GetNativeWindow()); }
    bool Enabled(LwObject* object) { return platform::IsWindowEnabled(object->GetNativeWindow()); }

    std::unique_ptr<HostPrefix> prefix_;
    std::unique_ptr<InstallerUI> wizard_;
};

}  // namespace wizardtest

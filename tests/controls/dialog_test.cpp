// The message dialog: sizes from the measured message, button labels and positions, and every
// way of answering it (click, Return, Escape, close box) with the owner disabled meanwhile.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <malloc.h>

#include <functional>

#include "controls/LwPopupDialog.h"
#include "controls/LwSystemButton.h"
#include "draw/LwPaintContext.h"
#include "platform/Window.h"
#include "support/XTestHarness.h"
#include "toolkit/LwTimer.h"
#include "toolkit/LwWindow.h"

namespace {

using testsupport::PumpUntil;

LwSize MeasureMessage(const char* text) {
    LwPaintContext measure(nullptr);
    measure.SetFont(11.0f, "Verdana", 0);
    return measure.MeasureText(text, LwSize{0, 0});
}

std::vector<LwSystemButton*> Buttons(LwObject& dialog) {
    std::vector<LwSystemButton*> buttons;
    for (LwObject* child : dialog.GetChildren()) {
        if (auto* button = dynamic_cast<LwSystemButton*>(child)) {
            buttons.push_back(button);
        }
    }
    return buttons;
}

LwPoint Centre(LwSystemButton* b) {
    return LwPoint{b->GetSize().width / 2, b->GetSize().height / 2};
}

constexpr int kGaveUp = 99;

// A dialog that answers itself from inside its own modal loop: once it is on screen, `answer`
// runs (real input through XTest); if the dialog is still open seconds later it closes with 99.
class ScriptedDialog : public LwPopupDialog {
  public:
    ScriptedDialog(LwObject* owner, const char* message, bool yesNo, bool yesMeansCancel,
                   std::function<void(ScriptedDialog&)> answer)
        : LwPopupDialog(owner, "Kestrel 3D", message, yesNo, yesMeansCancel),
          answer_(std::move(answer)),
          timer_(this, 1) {
        timer_.Start(20);
    }

    int focusLosses = 0;

  protected:
    void OnKillFocus() override { ++focusLosses; }
    void OnTimer(int) override {
        ++ticks_;
        if (ticks_ == 1) {
            ASSERT_TRUE(testsupport::WaitUntilViewable(GetNativeWindow()));
            answer_(*this);
        } else if (ticks_ > 250 && IsRunning()) {
            SetModalResult(kGaveUp);
            Close();
        }
    }

  private:
    std::function<void(ScriptedDialog&)> answer_;
    LwTimer timer_;
    int ticks_ = 0;
};

void ClickButton(ScriptedDialog& dialog, size_t index) {
    LwSystemButton* button = Buttons(dialog).at(index);
    EXPECT_TRUE(testsupport::MovePointerOnto(button->GetNativeWindow(), Centre(button)));
    testsupport::Click(1);
}

class Dialog : public testsupport::GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        owner_ =
            std::make_unique<LwWindow>(nullptr, LwPoint{100, 100}, LwSize{500, 400}, "owner", 0);
        owner_->SetBackgroundColor(LwGrey(45));
        Track(owner_->GetNativeWindow());
        owner_->Show(true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(owner_->GetNativeWindow()));
    }
    void TearDown() override {
        owner_.reset();
        GuiTest::TearDown();
    }

    int Run(const char* message, bool yesNo, bool yesMeansCancel,
            std::function<void(ScriptedDialog&)> answer) {
        ScriptedDialog dialog(owner_.get(), message, yesNo, yesMeansCancel, std::move(answer));
        return dialog.RunModal();
    }

    bool OwnerEnabled() { return platform::IsWindowEnabled(owner_->GetNativeWindow()); }

    std::unique_ptr<LwWindow> owner_;
};

constexpr const char* kQuestion = "Do you really want to cancel the installation?";

TEST_F(Dialog, ClientSizeFollowsTheUnboundedMessage) {
    for (const char* message : {kQuestion, "No host selected.\nTick at least one.", "x"}) {
        SCOPED_TRACE(message);
        const LwSize text = MeasureMessage(message);
        LwPopupDialog dialog(owner_.get(), "Kestrel 3D", message, false, false);
        EXPECT_EQ(dialog.GetSize(), (LwSize{text.width + 40, text.height + 80}));
        EXPECT_FALSE(platform::IsWindowVisible(dialog.GetNativeWindow()));
    }
}

TEST_F(Dialog, OneOkButtonIsCentredBelowTheMessage) {
    const LwSize text = MeasureMessage(kQuestion);
    LwPopupDialog dialog(owner_.get(), "Kestrel 3D", kQuestion, false, false);
    auto buttons = Buttons(dialog);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->GetText(), "OK");
    EXPECT_EQ(buttons[0]->GetSize(), (LwSize{80, 35}));
    const int width = text.width + 40;
    EXPECT_EQ(buttons[0]->GetPosition(), (LwPoint{(width - 80) / 2, text.height + 35}));
}

TEST_F(Dialog, YesNoButtonsAreSpreadWithEqualGaps) {
    const LwSize text = MeasureMessage(kQuestion);
    const int width = text.width + 40;
    {
        LwPopupDialog dialog(owner_.get(), "Kestrel 3D", kQuestion, true, false);
        auto buttons = Buttons(dialog);
        ASSERT_EQ(buttons.size(), 2u);
        EXPECT_EQ(buttons[0]->GetText(), "YES");
        EXPECT_EQ(buttons[1]->GetText(), "NO");
        // Three flexible spaces share what the buttons leave; the later ones take the remainder.
        const int free = width - 160;
        const int first = free / 3;
        const int second = (free - first) / 2;
        EXPECT_EQ(buttons[0]->GetPosition(), (LwPoint{first, text.height + 35}));
        EXPECT_EQ(buttons[1]->GetPosition(), (LwPoint{first + 80 + second, text.height + 35}));
        EXPECT_LE(second - first, 1);
    }
    {
        LwPopupDialog dialog(owner_.get(), "Kestrel 3D", kQuestion, true, true);
        auto buttons = Buttons(dialog);
        ASSERT_EQ(buttons.size(), 2u);
        EXPECT_EQ(buttons[0]->GetText(), "YES (CANCEL)");
        EXPECT_EQ(buttons[0]->GetSize(), (LwSize{120, 35}));
        EXPECT_EQ(buttons[1]->GetSize(), (LwSize{120, 35}));
        const int free = width - 240;
        const int first = free / 3;
        EXPECT_EQ(buttons[1]->GetPosition().x, first + 120 + (free - first) / 2);
    }
}

TEST_F(Dialog, OneButtonWithYesMeansCancelIsWideOk) {
    LwPopupDialog dialog(owner_.get(), "Kestrel 3D", kQuestion, false, true);
    auto buttons = Buttons(dialog);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->GetText(), "OK");
    EXPECT_EQ(buttons[0]->GetSize(), (LwSize{120, 35}));
}

TEST_F(Dialog, EmptyMessageGivesFortyByEightyWithOverflowingButton) {
    LwPopupDialog dialog(owner_.get(), "Kestrel 3D", "", false, false);
    EXPECT_EQ(dialog.GetSize(), (LwSize{40, 80}));
    EXPECT_EQ(Buttons(dialog)[0]->GetPosition(), (LwPoint{-20, 35}));
}

TEST_F(Dialog, IsCentredOnItsOwner) {
    LwPopupDialog dialog(owner_.get(), "Kestrel 3D", kQuestion, true, true);
    const LwRect owner = platform::GetWindowRect(owner_->GetNativeWindow());
    const LwSize size = dialog.GetSize();
    EXPECT_EQ(dialog.GetPosition(), (LwPoint{owner.x + (owner.width - size.width) / 2,
                                             owner.y + (owner.height - size.height) / 2}));
}

TEST_F(Dialog, ClickOnFirstButtonAnswersZeroAndOwnerIsDisabledMeanwhile) {
    bool ownerWasDisabled = false;
    const int result = Run(kQuestion, true, true, [&](ScriptedDialog& d) {
        ownerWasDisabled = !OwnerEnabled();
        ClickButton(d, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(ownerWasDisabled);
    EXPECT_TRUE(OwnerEnabled());
}

TEST_F(Dialog, ClickOnNoAnswersOne) {
    EXPECT_EQ(Run(kQuestion, true, true, [](ScriptedDialog& d) { ClickButton(d, 1); }), 1);
    EXPECT_EQ(Run(kQuestion, true, false, [](ScriptedDialog& d) { ClickButton(d, 1); }), 1);
}

TEST_F(Dialog, ClickOnOkAnswersZero) {
    EXPECT_EQ(Run(kQuestion, false, false, [](ScriptedDialog& d) { ClickButton(d, 0); }), 0);
}

TEST_F(Dialog, ReturnAnswersZeroAndEscapeOneInBothModes) {
    for (bool yesNo : {false, true}) {
        SCOPED_TRACE(yesNo);
        EXPECT_EQ(
            Run(kQuestion, yesNo, false, [](ScriptedDialog&) { testsupport::TapKey(XK_Return); }),
            0);
        EXPECT_EQ(
            Run(kQuestion, yesNo, false, [](ScriptedDialog&) { testsupport::TapKey(XK_Escape); }),
            1);
    }
}

TEST_F(Dialog, ActivatingTheDisabledOwnerHandsTheKeyboardBackToTheDialog) {
    for (unsigned long key : {XK_Return, XK_Escape}) {
        SCOPED_TRACE(key);
        bool dialogHeldTheKeyboard = false;
        const int result = Run(kQuestion, true, false, [&](ScriptedDialog& d) {
            // The owner took the activation away from the dialog, which then has it back.
            auto backOnTheDialog = [&](int lossesBefore) {
                return PumpUntil([&] {
                    return d.focusLosses > lossesBefore &&
                           testsupport::HoldsInputFocus(d.GetNativeWindow()) &&
                           platform::GetFocus() == d.GetNativeWindow();
                });
            };
            // A click on the owner, which a window manager answers by activating it...
            int losses = d.focusLosses;
            testsupport::MovePointer(owner_->GetNativeWindow(), {5, 5});
            testsupport::Click(1);
            dialogHeldTheKeyboard = !testsupport::WindowManagerPresent() || backOnTheDialog(losses);
            // ...and the owner activated outright, as from a task bar.
            losses = d.focusLosses;
            testsupport::FocusFromOutside(owner_->GetNativeWindow());
            dialogHeldTheKeyboard = backOnTheDialog(losses) && dialogHeldTheKeyboard;
            testsupport::TapKey(key);
        });
        EXPECT_TRUE(dialogHeldTheKeyboard);
        EXPECT_EQ(result, key == XK_Return ? 0 : 1);
        EXPECT_TRUE(OwnerEnabled());
    }
}

TEST_F(Dialog, CloseBoxAnswersOne) {
    EXPECT_EQ(Run(kQuestion, true, false,
                  [](ScriptedDialog& d) { testsupport::SendDeleteWindow(d.GetNativeWindow()); }),
              1);
    EXPECT_TRUE(OwnerEnabled());
}

TEST_F(Dialog, DialogOpenedFromADialog) {
    int inner = -1;
    bool outerDisabledMeanwhile = false;
    const int outer = Run(kQuestion, true, false, [&](ScriptedDialog& outerDialog) {
        ScriptedDialog nested(&outerDialog, "Are you sure?", false, false, [&](ScriptedDialog& d) {
            outerDisabledMeanwhile = !platform::IsWindowEnabled(outerDialog.GetNativeWindow());
            ClickButton(d, 0);
        });
        inner = nested.RunModal();
        EXPECT_TRUE(platform::IsWindowEnabled(outerDialog.GetNativeWindow()));
        ClickButton(outerDialog, 1);
    });
    EXPECT_EQ(inner, 0);
    EXPECT_EQ(outer, 1);
    EXPECT_TRUE(outerDisabledMeanwhile);
    EXPECT_TRUE(OwnerEnabled());
}

TEST_F(Dialog, EmptyMessageCanStillBeAnswered) {
    EXPECT_EQ(
        Run("", false, false,
            [](ScriptedDialog& d) {
                testsupport::MovePointer(d.GetNativeWindow(), {20, 52});  // the button's middle
                testsupport::Click(1);
            }),
        0);
}

TEST_F(Dialog, TenThousandDialogsLeaveMemoryFlat) {
    // What is measured is this program's heap; a window manager would only be left seconds
    // behind, working through the thirty thousand windows, and hold up the tests after this one.
    if (testsupport::WindowManagerPresent()) {
        GTEST_SKIP() << "measured on the bare server";
    }
    auto openAndClose = [&](int count) {
        for (int i = 0; i < count; ++i) {
            LwPopupDialog dialog(owner_.get(), "Kestrel 3D", kQuestion, true, true);
            dialog.Close();
            if (i % 200 == 0) {
                testsupport::Settle();
            }
        }
        testsupport::Settle();
    };
    openAndClose(500);  // caches of fonts and the server connection fill up first
    const size_t before = mallinfo2().uordblks;
    openAndClose(10000);
    const size_t after = mallinfo2().uordblks;
    // Thirty thousand native windows came and went: their state must have gone with them.
    EXPECT_LT(after, before + 512 * 1024) << "grew by " << (after - before) << " bytes";
    EXPECT_TRUE(OwnerEnabled());
}

TEST_F(Dialog, PaintsBackgroundAndCentredMessage) {
    LwColor background{};
    int messageLeft = 0, messageRight = 0;
    const LwSize text = MeasureMessage(kQuestion);
    Run(kQuestion, false, false, [&](ScriptedDialog& d) {
        platform::NativeWindow w = d.GetNativeWindow();
        // A window manager may apply the dialog's size a little after showing it: until then
        // the server reads back nothing of the message's width.
        std::vector<LwColor> row;
        EXPECT_TRUE(PumpUntil([&] {
            row = testsupport::ReadPixels(w, LwRect{0, 15, text.width + 40, text.height});
            return testsupport::ReadPixel(w, 2, 2) == LwColor{47, 48, 51, 255} &&
                   row.size() == static_cast<size_t>((text.width + 40) * text.height);
        }));
        background = testsupport::ReadPixel(w, 2, 2);
        row.resize(static_cast<size_t>((text.width + 40) * text.height));
        messageLeft = text.width + 40;
        for (int y = 0; y < text.height; ++y) {
            for (int x = 0; x < text.width + 40; ++x) {
                if (row[y * (text.width + 40) + x].r > 120) {
                    messageLeft = std::min(messageLeft, x);
                    messageRight = std::max(messageRight, x);
                }
            }
        }
        testsupport::TapKey(XK_Escape);
    });
    EXPECT_EQ(background, (LwColor{47, 48, 51, 255}));
    // Centred: about 20 pixels free on either side of the message.
    EXPECT_NEAR(messageLeft, 20, 3);
    EXPECT_NEAR(text.width + 40 - 1 - messageRight, 20, 3);
}

}  // namespace

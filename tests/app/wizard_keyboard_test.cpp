// The wizard driven by the keyboard alone, with real keys through XTest: the focus order and its
// mark, Enter, Space, Escape and the scrolling keys, and a whole installation without a pointer.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "app/WizardTexts.h"
#include "controls/LwCheckBox.h"
#include "controls/LwComboBox.h"
#include "controls/LwScrollBar.h"
#include "controls/LwTextControl.h"
#include "support/worker_test_support.h"
#include "wizard_support.h"

namespace {

using namespace std::chrono_literals;
using namespace wizardtest;
using testsupport::PumpUntil;

class WizardKeyboard : public WizardTest {
  protected:
    void OpenWithFocus(const std::vector<Host>& hosts) {
        Open(hosts);
        // Parked away from every control: nothing is hovered, and no click is ever made.
        ASSERT_TRUE(PumpUntil([&] { return Focused(wizard_->nextButton); }));
    }
    static bool Focused(LwObject* object) {
        return platform::GetFocus() == object->GetNativeWindow();
    }
    // Taps the key, with Shift held when asked, and waits until `done`.
    bool Key(unsigned long keysym, const std::function<bool()>& done, bool shift = false) {
        if (shift) {
            testsupport::PressKey(XK_Shift_L);
        }
        testsupport::TapKey(keysym);
        if (shift) {
            testsupport::ReleaseKey(XK_Shift_L);
        }
        return PumpUntil(done);
    }
    bool TabTo(LwObject* object, bool shift = false) {
        return Key(
            XK_Tab, [&] { return Focused(object); }, shift);
    }
    bool EnterTo(WizardPage page) {
        return Key(XK_Return, [&] { return wizard_->GetPage() == page; });
    }
    // The first dot of a button's mark, three pixels in from its top-left corner.
    LwColor MarkCorner(LwObject* button) {
        testsupport::Settle();
        return testsupport::ReadPixel(button->GetNativeWindow(), 3, 3);
    }
    std::vector<LwObject*> Order() { return wizard_->FocusOrder(); }
};

TEST_F(WizardKeyboard, TabSkipsTheDisabledBackAndTheMarkShowsFromTheFirstKey) {
    OpenWithFocus({{5, true, HostFolder(5)}});
    InstallerUI& w = *wizard_;
    // No key yet: no mark, as on Windows.
    EXPECT_EQ(MarkCorner(w.nextButton), LwGrey(54));

    // Back is disabled on the welcome page: Tab goes from Next > to Cancel and round again.
    EXPECT_EQ(Order(), (std::vector<LwObject*>{w.nextButton, w.cancelButton}));
    ASSERT_TRUE(TabTo(w.cancelButton));
    EXPECT_EQ(MarkCorner(w.cancelButton), kLwFocusMarkColor);
    EXPECT_EQ(MarkCorner(w.nextButton), LwGrey(54));
    ASSERT_TRUE(TabTo(w.nextButton));
    ASSERT_TRUE(TabTo(w.cancelButton, true));
    ASSERT_TRUE(TabTo(w.nextButton, true));
    EXPECT_EQ(MarkCorner(w.nextButton), kLwFocusMarkColor);
    EXPECT_EQ(MarkCorner(w.cancelButton), LwGrey(54));
}

TEST_F(WizardKeyboard, EscapeAsksTheCancelQuestionAndNoKeepsTheWizard) {
    OpenWithFocus({{5, true, HostFolder(5)}});
    InstallerUI& w = *wizard_;
    DialogAnswers answers(&w);
    answers.AnswerWithKey(XK_Escape);  // the dialog's own Escape: "NO"
    testsupport::TapKey(XK_Escape);
    ASSERT_TRUE(PumpUntil([&] { return answers.Messages().size() == 1; }));
    EXPECT_EQ(answers.Messages()[0], kCancelMessage);
    ASSERT_TRUE(PumpUntil([&] { return Focused(w.nextButton); }));
    EXPECT_FALSE(w.IsDestroyed());
    EXPECT_EQ(w.GetPage(), WizardPage::Welcome);

    answers.AnswerWithKey(XK_Return);  // "YES (CANCEL)"
    testsupport::TapKey(XK_Escape);
    ASSERT_TRUE(PumpUntil([&] { return w.IsDestroyed(); }));
    EXPECT_EQ(answers.Messages().size(), 2u);
}

TEST_F(WizardKeyboard, AWholeInstallationByKeysAlone) {
    OpenWithFocus({{1, true, HostFolder(1)}, {5, true, HostFolder(5)}});
    InstallerUI& w = *wizard_;

    ASSERT_TRUE(EnterTo(WizardPage::Licence));
    EXPECT_TRUE(Focused(w.nextButton));  // I ACCEPT
    // Page Down scrolls the licence whichever control has the focus; Home brings it back.
    ASSERT_TRUE(PumpUntil([&] { return w.licenceText != nullptr; }));
    ASSERT_TRUE(Key(XK_Next, [&] { return w.licenceText->GetPosition().y < -100; }));
    ASSERT_TRUE(Key(
        XK_Home, [&] { return w.licenceText->GetPosition().y == 0; }, false));
    // The licence view takes the focus in its turn, marked around it, and scrolls too.
    EXPECT_EQ(Order(), (std::vector<LwObject*>{w.licenceText, w.licenceScrollBar, w.backButton,
                                               w.nextButton, w.cancelButton}));
    ASSERT_TRUE(TabTo(w.cancelButton));
    ASSERT_TRUE(TabTo(w.licenceText));
    testsupport::Settle();
    const LwPoint view = w.licencePanel->GetPosition();
    EXPECT_EQ(testsupport::ReadPixel(w.GetNativeWindow(), view.x - 2, view.y - 2),
              kLwFocusMarkColor);
    ASSERT_TRUE(Key(XK_Next, [&] { return w.licenceText->GetPosition().y < -100; }));
    // Enter on the view presses the page's default button.
    ASSERT_TRUE(EnterTo(WizardPage::HostSelection));
    EXPECT_TRUE(Focused(w.nextButton));

    // The host page in reading order, then Back, Next > and Cancel.
    std::vector<LwCheckBox*> boxes;
    for (LwObject* child : w.hostPanel->GetChildren()) {
        if (auto* box = dynamic_cast<LwCheckBox*>(child)) {
            boxes.push_back(box);
        }
    }
    ASSERT_EQ(boxes.size(), 3u);  // CS4, CC, Custom (made after the combo box, placed above it)
    EXPECT_EQ(Order(), (std::vector<LwObject*>{boxes[0], boxes[1], boxes[2], w.backButton,
                                               w.nextButton, w.cancelButton}));
    // Space on Custom shows its entry, which joins the order below it; Up and Down change the
    // closed combo box's choice.
    ASSERT_TRUE(TabTo(w.cancelButton));
    ASSERT_TRUE(TabTo(boxes[0]));
    ASSERT_TRUE(TabTo(boxes[1]));
    ASSERT_TRUE(TabTo(boxes[2]));
    ASSERT_TRUE(Key(XK_space, [&] { return w.hostSelected[kCustomSlot]; }));
    ASSERT_TRUE(TabTo(w.customBitnessCombo));
    EXPECT_EQ(Order(),
              (std::vector<LwObject*>{boxes[0], boxes[1], boxes[2], w.customBitnessCombo,
                                      w.browseButton, w.backButton, w.nextButton, w.cancelButton}));
    ASSERT_TRUE(Key(XK_Down, [&] { return w.customBitness == 1; }));
    ASSERT_TRUE(Key(XK_Up, [&] { return w.customBitness == 0; }));
    ASSERT_TRUE(TabTo(boxes[2], true));
    ASSERT_TRUE(Key(XK_space, [&] { return !w.hostSelected[kCustomSlot]; }));
    EXPECT_FALSE(platform::IsWindowVisible(w.customBitnessCombo->GetNativeWindow()));

    // Enter from the check box goes to Next >: the summary, then the installation.
    ASSERT_TRUE(EnterTo(WizardPage::Summary));
    ASSERT_TRUE(EnterTo(WizardPage::Installing));
    ASSERT_TRUE(PumpUntil([&] { return w.GetPage() == WizardPage::Finished; }, 10s));
    EXPECT_TRUE(Focused(w.cancelButton));  // "Finish"
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(1))), Payload(300));
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(5))), Payload(400));
    testsupport::TapKey(XK_Return);
    ASSERT_TRUE(PumpUntil([&] { return w.IsDestroyed(); }));
}

}  // namespace

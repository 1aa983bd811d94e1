// The wizard on the X server, driven with real clicks: the pages with their buttons and panels,
// validation, the summary, Back and the refused licence, the cancel question, the wheel, the
// folder chooser, and installations that finish or fail, checked on disk.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/WizardTexts.h"
#include "controls/LwCheckBox.h"
#include "controls/LwComboBox.h"
#include "controls/LwScrollBar.h"
#include "controls/LwTextControl.h"
#include "controls/LwTextPanel.h"
#include "platform/RecordFolders.h"
#include "support/MenuDriver.h"
#include "support/StandInTools.h"
#include "wizard_support.h"

namespace {

using namespace std::chrono_literals;
using namespace wizardtest;
using testsupport::PumpFor;
using testsupport::PumpUntil;

struct ButtonLook {
    const char* label;
    LwPoint position;
    LwSize size;
    bool enabled;
};

void ExpectButton(LwSystemButton* button, const ButtonLook& look) {
    SCOPED_TRACE(look.label);
    EXPECT_EQ(button->GetText(), look.label);
    EXPECT_EQ(button->GetPosition(), look.position);
    EXPECT_EQ(button->GetSize(), look.size);
    EXPECT_EQ(platform::IsWindowEnabled(button->GetNativeWindow()), look.enabled);
}

std::vector<LwCheckBox*> CheckBoxes(LwObject* panel) {
    std::vector<LwCheckBox*> boxes;
    for (LwObject* child : panel->GetChildren()) {
        if (auto* box = dynamic_cast<LwCheckBox*>(child)) {
            boxes.push_back(box);
        }
    }
    return boxes;
}

LwCheckBox* CustomBox(LwObject* panel) {
    for (LwCheckBox* box : CheckBoxes(panel)) {
        if (box->GetLabel() == "Custom") {
            return box;
        }
    }
    return nullptr;
}

class Wizard : public WizardTest {};

TEST_F(Wizard, EveryPageFromWelcomeToFinishedInstallsBothViews) {
    Open({{0, false, HostFolder(0)}, {3, true, HostFolder(3)}, {5, true, HostFolder(5)}});
    InstallerUI& w = *wizard_;
    ExpectButton(w.backButton, {"< Back", {200, 320}, {85, 30}, false});
    ExpectButton(w.nextButton, {"Next >", {290, 320}, {85, 30}, true});
    ExpectButton(w.cancelButton, {"Cancel", {405, 320}, {85, 30}, true});
    EXPECT_FALSE(Shown(w.licencePanel) || Shown(w.hostPanel) || Shown(w.summaryPanel));

    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    ExpectButton(w.backButton, {"I DO NOT ACCEPT", {170, 320}, {100, 30}, true});
    ExpectButton(w.nextButton, {"I ACCEPT", {275, 320}, {100, 30}, true});
    EXPECT_TRUE(Shown(w.licencePanel));

    ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
    ExpectButton(w.backButton, {"< Back", {200, 320}, {85, 30}, true});
    ExpectButton(w.nextButton, {"Next >", {290, 320}, {85, 30}, true});
    EXPECT_TRUE(Shown(w.hostPanel));
    EXPECT_FALSE(Shown(w.licencePanel));
    // A ticked box per detected version, stacked, then the unticked Custom box.
    const std::vector<LwCheckBox*> boxes = CheckBoxes(w.hostPanel);
    ASSERT_EQ(boxes.size(), 4u);
    const char* labels[] = {"CS3", "CS5.5", "CC", "Custom"};
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i]->GetLabel(), labels[i]);
        EXPECT_EQ(boxes[i]->GetPosition(), (LwPoint{20, 15 + 25 * static_cast<int>(i)}));
    }
    EXPECT_TRUE(w.hostSelected[0] && w.hostSelected[3] && w.hostSelected[5]);
    EXPECT_FALSE(w.hostSelected[kCustomSlot]);
    EXPECT_FALSE(Shown(w.browseButton) || Shown(w.customBitnessCombo));

    ClickOn(boxes[1]);  // untick CS5.5
    ASSERT_TRUE(PumpUntil([&] { return !w.hostSelected[3]; }));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Summary));
    EXPECT_TRUE(Shown(w.summaryPanel));
    EXPECT_EQ(w.summaryText->GetText(), "Installing Kestrel 3D on:\n\nCS3: \n" + HostFolder(0) +
                                            "\n\nCC: \n" + HostFolder(5) + "\n\n");

    ASSERT_TRUE(Press(w.nextButton, WizardPage::Installing)) << int(w.GetPage());
    EXPECT_FALSE(Enabled(w.backButton) || Enabled(w.nextButton));
    EXPECT_TRUE(Enabled(w.cancelButton));
    ASSERT_TRUE(PumpUntil([&] { return w.GetPage() == WizardPage::Finished; }, 10s));
    EXPECT_EQ(w.cancelButton->GetText(), "Finish");
    EXPECT_EQ(w.GetStatus().progressStep.load(), 7);
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(0))), Payload(300));
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(5))), Payload(400));
    EXPECT_FALSE(workertest::Exists(prefix_->PluginOf(HostFolder(3))));

    const std::string log = workertest::ReadFile(platform::DefaultLogPath()).value_or("");
    EXPECT_TRUE(log.ends_with(" result: installed; exit code 0\n")) << log;

    ClickOn(w.cancelButton);  // "Finish" closes without a question
    EXPECT_TRUE(PumpUntil([&] { return w.IsDestroyed(); }));
    EXPECT_EQ(w.GetModalResult(), 1);
}

TEST_F(Wizard, AForcedSizeKeepsTheLayoutAtItsOwnSizeInTheTopLeft) {
    Open({{4, false, HostFolder(4)}});
    InstallerUI& w = *wizard_;
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    testsupport::ParkPointer();
    testsupport::Settle();
    const LwRect own{0, 0, 500, 360};
    const auto before = testsupport::ReadPixels(w.GetNativeWindow(), own);

    // As a tiling window manager would, past the size the window asks for.
    testsupport::ResizeFromOutside(w.GetNativeWindow(), platform::Size{700, 520});
    if (!PumpUntil(
            [&] {
                return !testsupport::ReadPixels(w.GetNativeWindow(), LwRect{699, 519, 1, 1})
                            .empty();
            },
            2s)) {
        GTEST_SKIP() << "the window manager keeps the size the wizard asks for";
    }
    const LwRect right{500, 0, 200, 520};
    const LwRect below{0, 360, 500, 160};
    // The first pixel of the area that is not the window's colour, as "x,y r g b"; empty when
    // there is none.
    const auto stray = [&](const LwRect& area) -> std::string {
        const auto pixels = testsupport::ReadPixels(w.GetNativeWindow(), area);
        if (pixels.size() != size_t(area.width) * area.height) {
            return "unread";
        }
        for (size_t i = 0; i < pixels.size(); ++i) {
            const LwColor c = pixels[i];
            if (c != LwGrey(45)) {
                return std::to_string(area.x + int(i) % area.width) + "," +
                       std::to_string(area.y + int(i) / area.width) + " " + std::to_string(c.r) +
                       " " + std::to_string(c.g) + " " + std::to_string(c.b);
            }
        }
        return "";
    };
    EXPECT_TRUE(PumpUntil([&] {
        testsupport::Settle();
        return stray(right).empty() && stray(below).empty();
    })) << "not the window's colour: "
        << stray(right) << " / " << stray(below);
    EXPECT_EQ(testsupport::ReadPixels(w.GetNativeWindow(), own), before);

    // The next page lays out its buttons at the wizard's size too.
    ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
    ExpectButton(w.nextButton, {"Next >", {290, 320}, {85, 30}, true});
    ExpectButton(w.backButton, {"< Back", {200, 320}, {85, 30}, true});
}

TEST_F(Wizard, RefusingTheLicenceAndBackLeadToTheWelcomeAsAtStart) {
    Open({{4, false, HostFolder(4)}});
    InstallerUI& w = *wizard_;
    testsupport::Settle();
    const LwRect whole{0, 0, 500, 360};
    const auto atStart = testsupport::ReadPixels(w.GetNativeWindow(), whole);

    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    ASSERT_TRUE(Press(w.backButton, WizardPage::Welcome));  // "I DO NOT ACCEPT"
    ExpectButton(w.backButton, {"< Back", {200, 320}, {85, 30}, false});
    ExpectButton(w.nextButton, {"Next >", {290, 320}, {85, 30}, true});
    testsupport::ParkPointer();
    EXPECT_TRUE(PumpUntil([&] {
        testsupport::Settle();
        return testsupport::ReadPixels(w.GetNativeWindow(), whole) == atStart;
    }));

    // Back from the host page skips the licence, which must be accepted again.
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
    ASSERT_TRUE(Press(w.backButton, WizardPage::Welcome));
    EXPECT_FALSE(Enabled(w.backButton));
    EXPECT_FALSE(Shown(w.hostPanel));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    EXPECT_EQ(w.nextButton->GetText(), "I ACCEPT");
}

TEST_F(Wizard, ValidationKeepsThePageWithoutHostOrWithCustomButNoFolder) {
    Open({});
    InstallerUI& w = *wizard_;
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
    LwCheckBox* custom = CustomBox(w.hostPanel);
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->GetPosition(), (LwPoint{20, 15}));

    DialogAnswers answers(&w);
    answers.Answer(0);
    ClickOn(w.nextButton);
    ASSERT_TRUE(PumpUntil([&] { return answers.Messages().size() == 1; }));
    ClickOn(custom);
    ASSERT_TRUE(PumpUntil([&] { return Shown(w.browseButton); }));
    EXPECT_TRUE(Shown(w.customBitnessCombo) && Shown(w.customFolderText));
    EXPECT_EQ(w.customBitnessCombo->GetPosition(), (LwPoint{25, 35}));
    EXPECT_EQ(w.browseButton->GetPosition(), (LwPoint{25, 60}));
    answers.Answer(0);
    ClickOn(w.nextButton);
    ASSERT_TRUE(PumpUntil([&] { return answers.Messages().size() == 2; }));
    PumpFor(100ms);
    for (const std::string& message : answers.Messages()) {
        EXPECT_EQ(message, kValidationMessage);
    }
    EXPECT_EQ(w.GetPage(), WizardPage::HostSelection);
    EXPECT_TRUE(Enabled(&w));
}

TEST_F(Wizard, SixHostsAndABrowsedCustomFolderMakeTheSummaryAndInstall) {
    std::vector<Host> hosts;
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        hosts.push_back({slot, slot % 2 == 1, HostFolder(slot)});
    }
    Open(hosts);
    InstallerUI& w = *wizard_;
    testsupport::StandInTools tools;
    // Far too long for the page: it must neither wrap below the panel nor run into the buttons.
    const std::string folder =
        tools / "Adobe/After Effects CC 2019/Support Files/Shared Plug-ins/Plug-ins \\ été";
    ASSERT_TRUE(std::filesystem::create_directories(folder));
    tools.Add("zenity", "printf '%s\\n' '" + folder + "'");

    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
    testsupport::ParkPointer();
    testsupport::Settle();
    const LwRect footer{0, 310, 500, 50};
    const auto footerBefore = testsupport::ReadPixels(w.GetNativeWindow(), footer);
    ClickOn(CustomBox(w.hostPanel));
    ASSERT_TRUE(PumpUntil([&] { return Shown(w.browseButton); }));
    // The whole Custom entry stays inside the host panel, Browse included.
    const LwPoint browse = w.browseButton->GetPosition();
    EXPECT_LE(browse.y + w.browseButton->GetSize().height, w.hostPanel->GetSize().height);
    EXPECT_GT(browse.y, w.customBitnessCombo->GetPosition().y + 17);

    {
        // The menu runs its own loop from the press: pick its second row from inside it.
        testsupport::MenuScript pick(
            w.GetNativeWindow(), {[] { return testsupport::OpenMenuRect().has_value(); },
                                  [] {
                                      const LwRect menu = *testsupport::OpenMenuRect();
                                      testsupport::MovePointerToScreen(LwPoint{
                                          menu.x + menu.width / 2, menu.y + menu.height * 3 / 4});
                                      testsupport::Click(1);
                                      return true;
                                  }});
        ClickOn(w.customBitnessCombo);
        ASSERT_TRUE(PumpUntil([&] { return w.customBitness == 1; }));
    }
    ClickOn(w.browseButton);
    ASSERT_TRUE(PumpUntil([&] { return w.hostFolder[kCustomSlot] == folder; }));
    EXPECT_EQ(tools.ArgumentsOf("zenity").at(0), "--file-selection");
    // Shown on one line, elided in the middle: its first folder and its last names.
    const std::string shown = w.customFolderText->GetText();
    EXPECT_TRUE(shown.starts_with("/" + folder.substr(1, folder.find('/', 1)))) << shown;
    EXPECT_TRUE(shown.ends_with("\xE2\x80\xA6/Plug-ins \\ été") ||
                shown.ends_with("\xE2\x80\xA6/Shared Plug-ins/Plug-ins \\ été"))
        << shown;
    EXPECT_LE(w.customFolderText->LineWidth(shown), w.customFolderText->WrapWidth());
    const LwPoint text = w.customFolderText->GetPosition();
    const LwSize textSize = w.customFolderText->GetSize();
    EXPECT_LT(textSize.height, 20);
    EXPECT_LE(text.y + textSize.height, w.hostPanel->GetSize().height);
    EXPECT_LE(text.x + textSize.width, w.hostPanel->GetSize().width);
    testsupport::ParkPointer();
    testsupport::Settle();
    EXPECT_EQ(testsupport::ReadPixels(w.GetNativeWindow(), footer), footerBefore);

    // A cancelled chooser keeps the folder chosen before.
    tools.Add("zenity", "exit 1");
    ClickOn(w.browseButton);
    PumpFor(300ms);
    EXPECT_EQ(w.hostFolder[kCustomSlot], folder);

    ASSERT_TRUE(Press(w.nextButton, WizardPage::Summary));
    std::string expected = "Installing Kestrel 3D on:\n\n";
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        expected += std::string(kHostSlots[slot].label) + ": \n" + HostFolder(slot) + "\n\n";
    }
    expected += "Custom: \n" + folder + "\n\n";
    EXPECT_EQ(w.summaryText->GetText(), expected);

    // The summary is taller than its page: the wheel over any control scrolls it.
    ClickOn(w.backButton);
    ASSERT_TRUE(PumpUntil([&] { return w.GetPage() == WizardPage::HostSelection; }));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Summary));
    testsupport::MovePointer(w.nextButton->GetNativeWindow(), CentreOf(w.nextButton));
    testsupport::WheelNotches(-1);
    EXPECT_TRUE(PumpUntil([&] { return w.summaryText->GetPosition().y == -70; }));

    ASSERT_TRUE(Press(w.nextButton, WizardPage::Installing));
    ASSERT_TRUE(PumpUntil([&] { return w.GetPage() == WizardPage::Finished; }, 10s));
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(slot))),
                  Payload(kHostSlots[slot].payloadId));
    }
    EXPECT_EQ(workertest::ReadFile(folder + "/Larkspur/Kestrel.aex"), Payload(400));
}

TEST_F(Wizard, WheelScrollsTheLicenceOnlyOnItsPage) {
    Open({{2, true, HostFolder(2)}});
    InstallerUI& w = *wizard_;
    testsupport::MovePointer(w.GetNativeWindow(), LwPoint{300, 150});
    testsupport::WheelNotches(-1);
    PumpFor(200ms);
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    EXPECT_GT(w.licenceText->GetSize().height, 1000);  // the whole document, not 50
    EXPECT_EQ(w.licenceText->GetPosition().y, 0);
    testsupport::MovePointer(w.licenceText->GetNativeWindow(), LwPoint{100, 100});
    testsupport::WheelNotches(-2);
    EXPECT_TRUE(PumpUntil([&] { return w.licenceText->GetPosition().y == -140; }));
}

TEST_F(Wizard, TheLicenceIsLaidOutBehindTheWelcomePage) {
    Open({{2, true, HostFolder(2)}});
    InstallerUI& w = *wizard_;
    ASSERT_TRUE(PumpUntil([&] { return w.licenceText != nullptr; }));
    EXPECT_EQ(w.GetPage(), WizardPage::Welcome);
    EXPECT_FALSE(Shown(w.licencePanel));
    EXPECT_FALSE(Enabled(w.backButton));
}

TEST_F(Wizard, NextBeforeTheLicenceIsLaidOutStillShowsItWhole) {
    prefix_ = std::make_unique<HostPrefix>(std::vector<Host>{{2, true, HostFolder(2)}});
    wizard_ = std::make_unique<InstallerUI>();
    InstallerUI& w = *wizard_;
    Track(w.GetNativeWindow());
    // Nothing has run the loop yet, so the licence waits for the welcome page's picture...
    ASSERT_EQ(w.licenceText, nullptr);
    // ...when a click on Next is taken: the page lays it out itself.
    w.eventSenderTag = kNextButtonTag;
    w.OnButton(kLwEventLeftUp);
    ASSERT_EQ(w.GetPage(), WizardPage::Licence);
    ASSERT_NE(w.licenceText, nullptr);
    w.Show(true);
    ASSERT_TRUE(testsupport::WaitUntilViewable(w.GetNativeWindow()));
    EXPECT_TRUE(Shown(w.licencePanel));
    EXPECT_TRUE(PumpUntil([&] { return w.licenceText->GetSize().height > 1000; }));
    // The work queued at the start finds the licence there and adds nothing.
    PumpFor(300ms);
    EXPECT_EQ(w.licencePanel->GetChildren().size(), 2u);  // the white page and the scroll bar
}

TEST_F(Wizard, CancelAsksFirstAndNoKeepsEverything) {
    Open({{1, false, HostFolder(1)}});
    InstallerUI& w = *wizard_;
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
    ClickOn(CheckBoxes(w.hostPanel).at(0));
    ASSERT_TRUE(PumpUntil([&] { return !w.hostSelected[1]; }));

    DialogAnswers answers(&w);
    answers.Answer(1);  // "NO"
    ClickOn(w.cancelButton);
    ASSERT_TRUE(PumpUntil([&] { return answers.Messages().size() == 1; }));
    PumpFor(100ms);
    EXPECT_EQ(answers.Messages()[0], kCancelMessage);
    EXPECT_FALSE(w.IsDestroyed());
    EXPECT_EQ(w.GetPage(), WizardPage::HostSelection);
    EXPECT_FALSE(w.hostSelected[1]);
    EXPECT_TRUE(Shown(w.hostPanel));

    answers.Answer(0);                                   // "YES (CANCEL)"
    testsupport::SendDeleteWindow(w.GetNativeWindow());  // the close box asks the same
    ASSERT_TRUE(PumpUntil([&] { return w.IsDestroyed(); }));
    EXPECT_EQ(answers.Messages().size(), 2u);
    EXPECT_EQ(w.GetModalResult(), 1);
}

TEST_F(Wizard, AFailedInstallationShowsItsCodeThenCloses) {
    // CS3 installs; CS6 names a drive the prefix does not have, so its folder can't be made.
    Open({{0, false, HostFolder(0)}, {4, true, "Q:\\Gone\\Plug-ins"}});
    InstallerUI& w = *wizard_;
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Summary));
    DialogAnswers answers(&w);
    answers.Answer(0);
    ClickOn(w.nextButton);
    ASSERT_TRUE(PumpUntil([&] { return w.IsDestroyed(); }, 10s));
    ASSERT_EQ(answers.Messages().size(), 1u);
    // The system's error dialog text, then one line naming the log, which tells the error.
    EXPECT_EQ(answers.Messages()[0],
              "An error occurred while installing Kestrel 3D.\nPlease contact support.\n"
              "Error code:54\nQ:\\Gone\\Plug-ins\\Larkspur: no such folder on this computer\n"
              "Installation log: " +
                  platform::DefaultLogPath());
    const std::string log = workertest::ReadFile(platform::DefaultLogPath()).value_or("");
    EXPECT_NE(
        log.find(" error 54: Q:\\Gone\\Plug-ins\\Larkspur: no such folder on this computer\n"),
        std::string::npos)
        << log;
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(0))), Payload(300));
}

TEST_F(Wizard, AnErrorDuringTheCancelQuestionWaitsForItsAnswer) {
    // Five hosts take the worker a while; CC's drive is missing, so it fails at the end.
    std::vector<Host> hosts;
    for (int slot = 0; slot < 5; ++slot) {
        hosts.push_back({slot, false, HostFolder(slot)});
    }
    hosts.push_back({5, true, "Q:\\Gone\\Plug-ins"});
    for (const int answer : {1, 0}) {  // "NO", then "YES (CANCEL)"
        SCOPED_TRACE(answer == 0 ? "cancelled" : "not cancelled");
        Open(hosts);
        InstallerUI& w = *wizard_;
        ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
        ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
        ASSERT_TRUE(Press(w.nextButton, WizardPage::Summary));
        {  // the answers end before the wizard they watch
            DialogAnswers answers(&w);
            answers.Answer(answer, 1500ms);  // long after the worker failed
            answers.Answer(0);
            // Queued behind the click on Next, the click on Cancel asks while the worker runs.
            ClickOn(w.nextButton);
            testsupport::MovePointerToScreen(testsupport::ScreenPointOnServer(
                w.cancelButton->GetNativeWindow(), CentreOf(w.cancelButton)));
            testsupport::Click(1);
            ASSERT_TRUE(PumpUntil([&] { return w.IsDestroyed(); }, 10s));
            EXPECT_EQ(answers.MostOpenAtOnce(), 1);
            ASSERT_EQ(answers.Messages().size(), answer == 0 ? 1u : 2u);
            EXPECT_EQ(answers.Messages()[0], kCancelMessage);
            if (answer == 1) {
                EXPECT_TRUE(answers.Messages()[1].starts_with("An error occurred"))
                    << answers.Messages()[1];
            } else {
                EXPECT_EQ(w.GetModalResult(), 1);
            }
        }
        // The prefix's environment goes with it: the next one must come after.
        wizard_.reset();
        prefix_.reset();
    }
}

TEST_F(Wizard, AHostFolderGoneBeforeTheInstallationGivesItsCode) {
    Open({{0, false, HostFolder(0)}, {2, false, HostFolder(2)}});
    InstallerUI& w = *wizard_;
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
    ASSERT_TRUE(Press(w.nextButton, WizardPage::Summary));
    // Found at start, gone by the time of the installation: CS5's folder can't hold a plug-in.
    std::filesystem::remove_all(prefix_->LinuxFolder(HostFolder(2)));
    DialogAnswers answers(&w);
    answers.Answer(0);
    ClickOn(w.nextButton);
    ASSERT_TRUE(PumpUntil([&] { return w.IsDestroyed(); }, 10s));
    ASSERT_EQ(answers.Messages().size(), 1u);
    // The line under the code names the folder that could not hold the plug-in, and why.
    EXPECT_NE(answers.Messages()[0].find("Error code:34\n" +
                                         prefix_->LinuxFolder(HostFolder(2)).string() +
                                         "/Larkspur: No such file or directory\n"),
              std::string::npos)
        << answers.Messages()[0];
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(0))), Payload(300));
    EXPECT_FALSE(std::filesystem::exists(prefix_->LinuxFolder(HostFolder(2))));
}

TEST_F(Wizard, APrefixWithoutAReadableRegistryOffersCustomOnly) {
    for (const bool folderInItsPlace : {false, true}) {
        SCOPED_TRACE(folderInItsPlace ? "a folder named system.reg" : "no system.reg");
        Open({}, [&] {
            const auto registry = prefix_->Root() / "system.reg";
            std::filesystem::remove(registry);
            if (folderInItsPlace) {
                std::filesystem::create_directory(registry);
            }
        });
        InstallerUI& w = *wizard_;
        ASSERT_TRUE(Press(w.nextButton, WizardPage::Licence));
        ASSERT_TRUE(Press(w.nextButton, WizardPage::HostSelection));
        const std::vector<LwCheckBox*> boxes = CheckBoxes(w.hostPanel);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0]->GetLabel(), "Custom");
        EXPECT_TRUE(Shown(boxes[0]));
        // Each pass has its own prefix, dropped after the window that read it.
        wizard_.reset();
        prefix_.reset();
    }
}

}  // namespace

// The text panel: its height follows the text measured at 20 pixels less than its width, and it
// fills whatever background is set, magenta included.
#include <gtest/gtest.h>

#include "controls/LwTextPanel.h"
#include "draw/LwPaintContext.h"
#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

namespace {

using namespace std::chrono_literals;

using testsupport::PumpUntil;
using testsupport::ReadPixel;

LwSize MeasureTahoma(const std::string& text, LwSize layout) {
    LwPaintContext measure(nullptr);
    measure.SetFont(11.0f, "Tahoma", 0);
    return measure.MeasureText(text.c_str(), layout);
}

class TextPanel : public testsupport::GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        window_ = std::make_unique<LwWindow>(nullptr, LwPoint{50, 50}, LwSize{300, 300}, "text", 0);
        window_->SetBackgroundColor(LwGrey(10));
        Track(window_->GetNativeWindow());
        panel_ = new LwTextPanel(window_.get(), LwPoint{10, 10}, LwSize{200, 50});
        window_->Show(true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(window_->GetNativeWindow()));
    }
    void TearDown() override {
        window_.reset();
        GuiTest::TearDown();
    }

    int BrightestIn(LwRect r) {
        int brightest = 0;
        for (LwColor c : testsupport::ReadPixels(panel_->GetNativeWindow(), r)) {
            brightest = std::max<int>(brightest, c.g);
        }
        return brightest;
    }

    std::unique_ptr<LwWindow> window_;
    LwTextPanel* panel_ = nullptr;
};

TEST_F(TextPanel, HeightFollowsTheTextAndTheWidthStays) {
    const std::string text =
        "Kestrel 3D will be installed into every host you ticked, and into the custom folder.";
    panel_->SetText(text);
    const LwSize wrapped = MeasureTahoma(text, LwSize{180, 1000});
    EXPECT_EQ(panel_->GetSize(), (LwSize{200, wrapped.height}));
    EXPECT_GT(wrapped.height, MeasureTahoma("Ag", {}).height);  // it did wrap
    EXPECT_EQ(panel_->GetText(), text);
}

TEST_F(TextPanel, EmptyLineBetweenParagraphsCounts) {
    panel_->SetText("first\n\nsecond");
    EXPECT_EQ(panel_->GetSize().height, 3 * MeasureTahoma("Ag", {}).height);
}

TEST_F(TextPanel, EmptyTextGivesHeightZero) {
    panel_->SetText("something");
    ASSERT_GT(panel_->GetSize().height, 0);
    panel_->SetText("");
    EXPECT_EQ(panel_->GetSize(), (LwSize{200, 0}));
}

TEST_F(TextPanel, EmptyPanelLeavesNoStripOnItsParent) {
    panel_->SetBackgroundColor(LwGrey(200));
    panel_->SetText("something");
    platform::NativeWindow top = window_->GetNativeWindow();
    ASSERT_TRUE(PumpUntil([&] { return ReadPixel(top, 150, 10) == LwGrey(200); }));
    panel_->SetText("");
    testsupport::Settle();
    // Where the panel's first row was, the window's own background shows again.
    for (LwColor c : testsupport::ReadPixels(top, LwRect{10, 10, 200, 1})) {
        ASSERT_EQ(c, LwGrey(10));
    }
    // And it comes back when it has something to show.
    panel_->SetText("again");
    EXPECT_TRUE(PumpUntil([&] { return ReadPixel(top, 150, 10) == LwGrey(200); }));
}

TEST_F(TextPanel, NeverSetBackgroundIsFilledMagenta) {
    panel_->SetText("x");
    EXPECT_TRUE(PumpUntil([&] {
        return ReadPixel(panel_->GetNativeWindow(), 150, 2) == (LwColor{255, 0, 255, 255});
    }));
}

TEST_F(TextPanel, BackgroundChangeShowsAtTheNextPaintWithGreyText) {
    panel_->SetText("Summary of the chosen settings");
    ASSERT_TRUE(PumpUntil([&] {
        return ReadPixel(panel_->GetNativeWindow(), 195, 2) == (LwColor{255, 0, 255, 255});
    }));
    testsupport::PumpFor(100ms);  // the repaint SetText asked for
    panel_->SetBackgroundColor(LwGrey(45));
    testsupport::PumpFor(100ms);
    EXPECT_EQ(ReadPixel(panel_->GetNativeWindow(), 195, 2), (LwColor{255, 0, 255, 255}));
    panel_->Invalidate();
    EXPECT_TRUE(
        PumpUntil([&] { return ReadPixel(panel_->GetNativeWindow(), 195, 2) == LwGrey(45); }));
    EXPECT_EQ(BrightestIn(LwRect{0, 0, 200, panel_->GetSize().height}), 200);
}

TEST_F(TextPanel, PaintedTextWrapsAtTheFullWidth) {
    panel_->SetBackgroundColor(LwGrey(30));
    panel_->SetText("aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll mmmm nnnn");
    const int height = panel_->GetSize().height;
    ASSERT_TRUE(PumpUntil([&] { return BrightestIn(LwRect{0, 0, 200, height}) == 200; }));
    // Nothing is drawn past the panel's own width: the text wraps inside it.
    const auto right =
        testsupport::ReadPixels(window_->GetNativeWindow(), LwRect{10 + 200, 10, 60, height});
    for (LwColor c : right) {
        ASSERT_EQ(c, LwGrey(10));
    }
}

}  // namespace

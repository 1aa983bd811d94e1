// The wizard on a desktop that asks for a scale through its X resources: at 192 dpi every logical
// pixel is a 2 × 2 block and the mouse reaches controls at doubled places; at 144 dpi each edge
// rounds on its own, so that neighbours neither part nor overlap.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <optional>

#include "controls/LwCheckBox.h"
#include "draw/LwArtwork.h"
#include "platform/Bitmap.h"
#include "support/WizardScaleChecks.h"
#include "wizard_support.h"

namespace {

using namespace wizardtest;
using platform::Rect;
using platform::Rgba;
using testsupport::PumpUntil;

// The pixels of a window's client area, as the shared checks take them.
testsupport::PixelAt PixelsOf(platform::NativeWindow window) {
    return [window](int x, int y) {
        const Rgba p = testsupport::ReadPixel(window, x, y);
        return (uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b;
    };
}

class WizardAtScale : public WizardTest {
  protected:
    void OpenAtDpi(int dpi) {
        resources_.emplace("Xft.dpi:\t" + std::to_string(dpi) + "\n");
        scale_ = dpi / 96.0;
        Open({{0, false, HostFolder(0)}, {5, true, HostFolder(5)}});
    }
    void TearDown() override {
        WizardTest::TearDown();
        resources_.reset();
    }

    int Edge(int logical) const { return testsupport::EdgeAt(scale_, logical); }
    platform::NativeWindow Window() const { return wizard_->GetNativeWindow(); }

    // Clicks a point of the wizard's client area given in the server's pixels, once the
    // pointer is over the control that should take it.
    void ClickAtPixel(platform::Point pixel, LwObject* expected) {
        testsupport::MovePointer(Window(), pixel);
        ASSERT_TRUE(
            PumpUntil([&] { return testsupport::PointerIsOver(expected->GetNativeWindow()); }));
        testsupport::Click(1);
    }

    double scale_ = 1.0;

  private:
    std::optional<testsupport::DesktopResources> resources_;
};

TEST_F(WizardAtScale, At192DpiEveryLogicalPixelIsABlockAndClicksLandAtDoubledPlaces) {
    OpenAtDpi(192);
    EXPECT_EQ(platform::GetClientSize(Window()), (platform::Size{500, 360}));
    const Rect onServer = testsupport::ClientRectOnServer(Window());
    EXPECT_EQ(onServer.width, 1000);
    EXPECT_EQ(onServer.height, 720);

    testsupport::ExpectFooterLineAndBannerAtScale(PixelsOf(Window()), 2.0, 1000);
    // The banner's 320 × 620 pixels are one to one from its picture at twice the size.
    platform::ResourceBlock block;
    ASSERT_TRUE(platform::FindResource(platform::kResourceTypeRcData,
                                       kLwBannerImageId + kLwDoubleSizeIdOffset, &block));
    const auto banner = platform::Bitmap::DecodePng(block.data, block.size);
    ASSERT_NE(banner, nullptr);
    const std::vector<uint32_t> art = banner->ArgbPixels();
    const auto shown = testsupport::ReadPixels(Window(), {100, 100, 120, 120});
    int same = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 120; ++x) {
            const uint32_t p = art[size_t(100 + y) * 320 + 100 + x] & 0xFFFFFF;
            const Rgba s = shown[size_t(y) * 120 + x];
            same += p == ((uint32_t{s.r} << 16) | (uint32_t{s.g} << 8) | s.b);
        }
    }
    EXPECT_EQ(same, 120 * 120);

    // "Next >" lies at (290, 320) logical, 85 × 30: its centre is (664, 670) on the screen.
    ClickAtPixel({664, 670}, wizard_->nextButton);
    ASSERT_TRUE(PumpUntil([&] { return wizard_->GetPage() == WizardPage::Licence; }));
    // "I ACCEPT": (275, 320), 100 × 30.
    ClickAtPixel({650, 670}, wizard_->nextButton);
    ASSERT_TRUE(PumpUntil([&] { return wizard_->GetPage() == WizardPage::HostSelection; }));

    // From the forward button, Tab passes "Cancel" and reaches the first check box, whose
    // focus mark then shows.
    LwCheckBox* box = nullptr;
    for (LwObject* child : wizard_->hostPanel->GetChildren()) {
        if ((box = dynamic_cast<LwCheckBox*>(child))) {
            break;
        }
    }
    ASSERT_NE(box, nullptr);
    const platform::NativeWindow boxWindow = box->GetNativeWindow();
    EXPECT_EQ(testsupport::ClientRectOnServer(boxWindow).width, 400);
    EXPECT_EQ(testsupport::ClientRectOnServer(boxWindow).height, 28);
    testsupport::MovePointer(Window(), {10, 10});
    testsupport::TapKey(XK_Tab);
    testsupport::TapKey(XK_Tab);
    ASSERT_TRUE(PumpUntil([&] { return platform::GetFocus() == boxWindow; }));
    testsupport::Settle();
    testsupport::ExpectCheckBoxAtTwiceTheSize(PixelsOf(boxWindow));
}

TEST_F(WizardAtScale, At144DpiEveryEdgeRoundsOnItsOwnSoNeighboursMeet) {
    OpenAtDpi(144);
    const Rect client = testsupport::ClientRectOnServer(Window());
    EXPECT_EQ(client.width, 750);
    EXPECT_EQ(client.height, 540);
    // The licence page: its view and scroll bar side by side, framed by the buttons.
    ClickAtPixel({Edge(332), Edge(335)}, wizard_->nextButton);
    ASSERT_TRUE(PumpUntil([&] { return wizard_->GetPage() == WizardPage::Licence; }));
    testsupport::Settle();

    testsupport::ExpectWindowsOnRoundedEdges(wizard_.get(), scale_,
                                             &testsupport::ClientRectOnServer);
    testsupport::ExpectFooterLineAndBannerAtScale(PixelsOf(Window()), scale_, client.width);
    testsupport::ExpectFooterBetweenLicenceButtons(PixelsOf(Window()), scale_);
}

}  // namespace

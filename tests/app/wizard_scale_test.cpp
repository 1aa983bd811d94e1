// The wizard on a desktop that asks for a scale through its X resources: at 192 dpi every logical
// pixel is a 2 × 2 block and the mouse reaches controls at doubled places; at 144 dpi each edge
// rounds on its own, so that neighbours neither part nor overlap.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "controls/LwCheckBox.h"
#include "draw/LwArtwork.h"
#include "platform/Bitmap.h"
#include "wizard_support.h"

namespace {

using namespace wizardtest;
using platform::Rect;
using platform::Rgba;
using testsupport::PumpUntil;

constexpr Rgba kFooterGrey{70, 70, 70, 255};
constexpr Rgba kLineGrey{100, 100, 100, 255};
constexpr Rgba kWindowGrey{45, 45, 45, 255};
constexpr int kFooterTop = 310;
constexpr int kBannerWidth = 160;

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

    int Edge(int logical) const { return static_cast<int>(std::floor(logical * scale_ + 0.5)); }
    platform::NativeWindow Window() const { return wizard_->GetNativeWindow(); }
    Rgba Pixel(int x, int y) const { return testsupport::ReadPixel(Window(), x, y); }

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

    // The footer's top line: two rows of line grey between the page and the footer.
    for (int x : {600, 601, 998, 999}) {
        EXPECT_EQ(Pixel(x, 619), kWindowGrey) << x;
        EXPECT_EQ(Pixel(x, 620), kLineGrey) << x;
        EXPECT_EQ(Pixel(x, 621), kLineGrey) << x;
        EXPECT_EQ(Pixel(x, 622), kFooterGrey) << x;
    }
    // The banner fills 320 × 620 pixels, one to one from its picture at twice the size, and
    // meets the footer line.
    EXPECT_NE(Pixel(319, 619), kWindowGrey);
    EXPECT_EQ(Pixel(320, 300), kWindowGrey);
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
    // focus mark then shows: dots of 2 × 2 pixels, every other one lit, along its top.
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
    const auto dots = testsupport::ReadPixels(boxWindow, {36, 0, 8, 2});
    for (int column = 0; column < 8; ++column) {
        SCOPED_TRACE(column);
        const bool lit = (column / 2) % 2 == 0;
        EXPECT_EQ(dots[column], dots[8 + column]);  // both rows of a dot alike
        EXPECT_EQ(dots[column] != kWindowGrey, lit);
    }

    // The box is 28 × 28 pixels of the picture drawn at twice the size: its outline two
    // pixels thick and sharp, its picture ending before column 28.
    const auto row = testsupport::ReadPixels(boxWindow, {0, 14, 30, 1});
    EXPECT_EQ(row[0], row[1]);
    EXPECT_NE(row[1], row[2]);
    EXPECT_NE(row[27], kWindowGrey);
    EXPECT_EQ(row[28], kWindowGrey);
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

    // Every window of the wizard lies exactly on the rounded edges of its logical rectangle, in
    // the wizard's client area: siblings that meet in logical units then meet in pixels, and
    // none overlaps another or leaves a gap.
    const platform::Point logicalOrigin = platform::ClientToScreen(Window(), {0, 0});
    std::vector<LwObject*> pending(wizard_->GetChildren().begin(), wizard_->GetChildren().end());
    int checked = 0;
    while (!pending.empty()) {
        LwObject* object = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), object->GetChildren().begin(), object->GetChildren().end());
        const platform::NativeWindow w = object->GetNativeWindow();
        if (!platform::IsWindowVisible(w)) {
            continue;
        }
        const platform::Point at = platform::ClientToScreen(w, {0, 0});
        const platform::Size size = platform::GetClientSize(w);
        const Rect logical{at.x - logicalOrigin.x, at.y - logicalOrigin.y, size.width, size.height};
        const Rect server = testsupport::ClientRectOnServer(w);
        SCOPED_TRACE(testing::Message() << "logical " << logical.x << "," << logical.y << " "
                                        << logical.width << "x" << logical.height);
        EXPECT_EQ(server.x - client.x, Edge(logical.x));
        EXPECT_EQ(server.y - client.y, Edge(logical.y));
        EXPECT_EQ(server.Right() - client.x, Edge(logical.Right()));
        EXPECT_EQ(server.Bottom() - client.y, Edge(logical.Bottom()));
        ++checked;
    }
    EXPECT_GE(checked, 4);

    // The banner ends where the footer line starts, and the line (one logical pixel) is two
    // whole rows; the footer fills what lies below it, up to the buttons.
    const int lineTop = Edge(kFooterTop);
    EXPECT_NE(Pixel(10, lineTop - 1), kWindowGrey);
    EXPECT_EQ(Pixel(10, lineTop), kLineGrey);
    EXPECT_EQ(Pixel(10, lineTop + 1), kLineGrey);
    EXPECT_EQ(Pixel(10, lineTop + 2), kFooterGrey);
    EXPECT_EQ(Pixel(client.width - 1, lineTop - 1), kWindowGrey);
    const int bannerRight = Edge(kBannerWidth);
    EXPECT_NE(Pixel(bannerRight - 1, 200), kWindowGrey);
    EXPECT_EQ(Pixel(bannerRight, 200), kWindowGrey);
    // Between "I DO NOT ACCEPT" (170, 320, 100 × 30) and "I ACCEPT" (275, 320) the footer
    // shows, up to each button's rounded edge.
    for (int x = Edge(270); x < Edge(275); ++x) {
        EXPECT_EQ(Pixel(x, Edge(335)), kFooterGrey) << x;
    }
    EXPECT_NE(Pixel(Edge(270) - 1, Edge(335)), kFooterGrey);
    EXPECT_NE(Pixel(Edge(275), Edge(335)), kFooterGrey);
}

}  // namespace

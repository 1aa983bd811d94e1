// The wizard in a prefix whose desktop asks for another resolution (LogPixels, as the display
// settings write it): at 192 dpi every logical pixel is a 2 × 2 block and clicks land at doubled
// places; at 144 dpi every window lies on the rounded edges of its logical rectangle. The runs
// that set KESTREL_TEST_DPI give the prefix that resolution. And the wizard moved from a monitor
// of 96 dpi to one of 192, as the system tells it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/InstallerUI.h"
#include "controls/LwCheckBox.h"
#include "controls/LwSystemButton.h"
#include "controls/LwTextControl.h"
#include "modal_driver.h"
#include "platform/win32/window_record.h"
#include "support/WizardScaleChecks.h"

// After windows.h: the rich edit header needs its types.
#include <richedit.h>

namespace {

using wintest::PumpUntil;

constexpr COLORREF kLineGrey = RGB(100, 100, 100);
constexpr COLORREF kWindowGrey = RGB(45, 45, 45);

int TestDpi() {
    const char* dpi = std::getenv("KESTREL_TEST_DPI");
    return dpi ? std::atoi(dpi) : 0;
}

HWND HandleOf(LwObject* object) {
    return platform::backend::HandleOf(object->GetNativeWindow());
}

// The client area on the screen, in pixels, as the system has it.
RECT ClientOnScreen(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

COLORREF Pixel(HWND hwnd, int x, int y) {
    const RECT client = ClientOnScreen(hwnd);
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, client.left + x, client.top + y);
    ReleaseDC(nullptr, screen);
    return pixel;
}

// The pixels of a window's client area, as the shared checks take them.
testsupport::PixelAt PixelsOf(HWND hwnd) {
    return [hwnd](int x, int y) {
        const COLORREF c = Pixel(hwnd, x, y);
        return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
    };
}

platform::Rect PixelsOnScreen(platform::NativeWindow window) {
    const RECT r = ClientOnScreen(platform::backend::HandleOf(window));
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = x;
    input.mi.dy = y;
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
}

void SendKey(WORD key) {
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, inputs, sizeof inputs[0]), 2u);
}

class WizardAtSystemScale : public ::testing::Test {
  protected:
    void SetUp() override {
        dpi_ = TestDpi();
        if (dpi_ == 0) {
            GTEST_SKIP() << "runs in a prefix of another resolution (KESTREL_TEST_DPI)";
        }
        OpenWizard();
    }
    void OpenWizard() {
        scale_ = dpi_ / 96.0;
        wizard_ = std::make_unique<InstallerUI>();
        wizard_->Show(true);
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Window()) != FALSE; }));
        PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    }

    HWND Window() const { return HandleOf(wizard_.get()); }
    int Edge(int logical) const { return testsupport::EdgeAt(scale_, logical); }

    // A click at a client point of the wizard given in pixels, once the pointer is over the
    // control that should take it.
    void ClickAtPixel(POINT client, LwObject* expected) {
        const RECT origin = ClientOnScreen(Window());
        const LONG width = GetSystemMetrics(SM_CXSCREEN);
        const LONG height = GetSystemMetrics(SM_CYSCREEN);
        const LONG x = origin.left + client.x;
        const LONG y = origin.top + client.y;
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65535 + width / 2) / (width - 1),
                  (y * 65535 + height / 2) / (height - 1));
        ASSERT_TRUE(PumpUntil([&] {
            POINT at{};
            GetCursorPos(&at);
            return WindowFromPoint(at) == HandleOf(expected);
        }));
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        SendMouse(MOUSEEVENTF_LEFTUP);
    }

    // Once painted at twice the size: the banner and the footer line.
    void ExpectFooterLineAndBannerAtTwiceTheSize() {
        ASSERT_TRUE(PumpUntil([&] { return Pixel(Window(), 998, 620) == kLineGrey; }));
        testsupport::ExpectFooterLineAndBannerAtScale(PixelsOf(Window()), 2.0, 1000);
    }

    bool ReachPage(WizardPage page) {
        return PumpUntil([&] { return wizard_->GetPage() == page; });
    }

    int dpi_ = 0;
    double scale_ = 1.0;
    std::unique_ptr<InstallerUI> wizard_;
};

TEST_F(WizardAtSystemScale, TheWindowTakesThePrefixsResolution) {
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), dpi_);
    ReleaseDC(nullptr, screen);
    EXPECT_DOUBLE_EQ(platform::backend::WindowScale(Window()), scale_);
    const RECT client = ClientOnScreen(Window());
    EXPECT_EQ(client.right - client.left, Edge(500));
    EXPECT_EQ(client.bottom - client.top, Edge(360));
    EXPECT_EQ(platform::GetClientSize(wizard_->GetNativeWindow()), (platform::Size{500, 360}));
}

TEST_F(WizardAtSystemScale, At192DpiBlocksOfTwoAndClicksAtDoubledPlaces) {
    if (dpi_ != 192) {
        GTEST_SKIP() << "for 192 dpi";
    }
    ExpectFooterLineAndBannerAtTwiceTheSize();

    ClickAtPixel({664, 670}, wizard_->nextButton);
    ASSERT_TRUE(ReachPage(WizardPage::Licence));
    ClickAtPixel({650, 670}, wizard_->nextButton);
    ASSERT_TRUE(ReachPage(WizardPage::HostSelection));

    // Past "Cancel", Tab reaches the Custom box, whose focus mark shows in 2 × 2 dots.
    LwCheckBox* box = nullptr;
    for (LwObject* child : wizard_->hostPanel->GetChildren()) {
        if ((box = dynamic_cast<LwCheckBox*>(child))) {
            break;
        }
    }
    ASSERT_NE(box, nullptr);
    const RECT boxRect = ClientOnScreen(HandleOf(box));
    EXPECT_EQ(boxRect.right - boxRect.left, 400);
    EXPECT_EQ(boxRect.bottom - boxRect.top, 28);
    SendKey(VK_TAB);
    SendKey(VK_TAB);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == HandleOf(box); }));
    ASSERT_TRUE(PumpUntil([&] { return Pixel(HandleOf(box), 36, 0) != kWindowGrey; }));
    testsupport::ExpectCheckBoxAtTwiceTheSize(PixelsOf(HandleOf(box)));
}

TEST_F(WizardAtSystemScale, At144DpiEveryWindowLiesOnTheRoundedEdgesOfItsRectangle) {
    if (dpi_ != 144) {
        GTEST_SKIP() << "for 144 dpi";
    }
    ClickAtPixel({Edge(332), Edge(335)}, wizard_->nextButton);
    ASSERT_TRUE(ReachPage(WizardPage::Licence));
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));

    testsupport::ExpectWindowsOnRoundedEdges(wizard_.get(), scale_, &PixelsOnScreen);
    const RECT client = ClientOnScreen(Window());
    testsupport::ExpectFooterLineAndBannerAtScale(PixelsOf(Window()), scale_,
                                                  client.right - client.left);
    testsupport::ExpectFooterBetweenLicenceButtons(PixelsOf(Window()), scale_);
}

// The height of the font a system control draws with, as made (negative: the characters' own).
LONG FontHeight(HWND control) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW described{};
    return font && GetObjectW(font, sizeof described, &described) ? described.lfHeight : 0;
}

// Wine moves no window between monitors: the test tells the wizard what the system tells a window
// that lands on a monitor of 192 dpi, with the rectangle it suggests there.
class WizardMovedToAnotherResolution : public WizardAtSystemScale {
  protected:
    void SetUp() override {
        HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        if (dpi_ != 96) {
            GTEST_SKIP() << "starts on a desktop of 96 dpi";
        }
        OpenWizard();
    }
};

TEST_F(WizardMovedToAnotherResolution, TakesTheSuggestedPlaceAndRemakesItsChildrenAtTheNewSize) {
    // A plain field, such as a folder is typed into, and the licence's rich view.
    auto* field = new LwTextControl(wizard_.get(), LwPoint{180, 20}, LwSize{200, 24},
                                    "C:\\Plug-ins", kLwTextReadOnly);
    ClickAtPixel({332, 335}, wizard_->nextButton);
    ASSERT_TRUE(ReachPage(WizardPage::Licence));
    ASSERT_TRUE(PumpUntil([&] { return wizard_->licenceText->GetSize().height > 3000; }));
    const LONG fontHeight = FontHeight(HandleOf(field));
    ASSERT_LT(fontHeight, 0);

    RECT outer{};
    GetWindowRect(Window(), &outer);
    const RECT client = ClientOnScreen(Window());
    const LONG frameWidth = (outer.right - outer.left) - (client.right - client.left);
    const LONG frameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
    RECT suggested{10, 20, 10 + frameWidth + 1000, 20 + frameHeight + 720};
    SendMessageW(Window(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));

    RECT now{};
    GetWindowRect(Window(), &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
    EXPECT_EQ(now.right, suggested.right);
    EXPECT_EQ(now.bottom, suggested.bottom);
    EXPECT_EQ(platform::GetClientSize(wizard_->GetNativeWindow()), (platform::Size{500, 360}));
    const RECT moved = ClientOnScreen(Window());
    const RECT fieldPixels = ClientOnScreen(HandleOf(field));
    EXPECT_EQ(fieldPixels.left - moved.left, 360);
    EXPECT_EQ(fieldPixels.top - moved.top, 40);
    EXPECT_EQ(fieldPixels.right - fieldPixels.left, 400);
    EXPECT_EQ(fieldPixels.bottom - fieldPixels.top, 48);
    EXPECT_EQ(FontHeight(HandleOf(field)), 2 * fontHeight);
    ExpectFooterLineAndBannerAtTwiceTheSize();
    // The licence's rich view lays its document out at the system's resolution, zoomed by the
    // ratio of the window's to it. (Wine's rich edit zooms the lines' height but not the
    // characters' widths, so its layout cannot be compared with the one before.)
    int numerator = 0;
    int denominator = 0;
    SendMessageW(HandleOf(wizard_->licenceText), EM_GETZOOM, reinterpret_cast<WPARAM>(&numerator),
                 reinterpret_cast<LPARAM>(&denominator));
    EXPECT_EQ(numerator, 192);
    EXPECT_EQ(denominator, 96);
    EXPECT_GT(wizard_->licenceText->GetSize().height, 3000);

    // The mouse reaches "I ACCEPT" at its doubled place.
    ClickAtPixel({650, 670}, wizard_->nextButton);
    EXPECT_TRUE(ReachPage(WizardPage::HostSelection));
}

}  // namespace

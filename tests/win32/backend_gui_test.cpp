// The toolkit on the Win32 backend, under Wine on a real X server: input through SendInput, as
// the system delivers a user's, and pixels read back from the windows.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/LicenceDocument.h"
#include "controls/LwPopupDialog.h"
#include "controls/LwSystemButton.h"
#include "controls/LwTextControl.h"
#include "modal_driver.h"
#include "platform/Events.h"
#include "platform/win32/window_record.h"
#include "toolkit/LwTimer.h"
#include "toolkit/LwWindow.h"

namespace {

using namespace std::chrono_literals;
using wintest::PumpUntil;

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = x;
    input.mi.dy = y;
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
}

// Moves the pointer over a client point of the window, in the absolute units SendInput takes.
void MovePointer(platform::NativeWindow window, LwPoint client) {
    const platform::Point screen = platform::ClientToScreen(window, client);
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (screen.x * 65535 + width / 2) / (width - 1),
              (screen.y * 65535 + height / 2) / (height - 1));
}

// What the screen shows at a client point of the window.
LwColor ReadPixel(platform::NativeWindow window, int x, int y) {
    const platform::Point at = platform::ClientToScreen(window, {x, y});
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return LwColor{GetRValue(pixel), GetGValue(pixel), GetBValue(pixel), 255};
}

bool PointerOver(platform::NativeWindow window) {
    POINT at{};
    GetCursorPos(&at);
    return WindowFromPoint(at) == platform::backend::HandleOf(window);
}

class Host : public LwWindow {
  public:
    Host() : LwWindow(nullptr, LwPoint{60, 60}, LwSize{300, 200}, "backend", 0) {
        SetBackgroundColor(LwGrey(20));
    }
    void OnButton(int code) { clicks += code == 2; }
    int clicks = 0;
};

class Win32Gui : public ::testing::Test {
  protected:
    void SetUp() override {
        host_ = std::make_unique<Host>();
        host_->Show(true);
        ASSERT_TRUE(PumpUntil([&] { return platform::IsWindowVisible(host_->GetNativeWindow()); }));
    }

    LwSystemButton* MakeButton(const char* label, LwPoint at) {
        auto* button = new LwSystemButton(host_.get(), at, LwSize{85, 30}, label);
        button->eventTarget = host_.get();
        button->eventHandler = AsEventHandler(&Host::OnButton);
        return button;
    }

    // The fill inside the button and its four edges, in the greys of one state.
    static bool Shows(LwSystemButton* button, int fill, int top, int left, int bottom, int right) {
        const platform::NativeWindow w = button->GetNativeWindow();
        return PumpUntil([&] {
            return ReadPixel(w, 3, 3) == LwGrey(fill) && ReadPixel(w, 40, 0) == LwGrey(top) &&
                   ReadPixel(w, 0, 15) == LwGrey(left) && ReadPixel(w, 40, 29) == LwGrey(bottom) &&
                   ReadPixel(w, 84, 15) == LwGrey(right);
        });
    }

    std::unique_ptr<Host> host_;
};

TEST_F(Win32Gui, TopLevelWindowsCarryTheProgramIcon) {
    HWND hwnd = platform::backend::HandleOf(host_->GetNativeWindow());
    for (int which : {GCLP_HICON, GCLP_HICONSM}) {
        ICONINFO info{};
        const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, which));
        ASSERT_TRUE(icon && GetIconInfo(icon, &info)) << which;
        BITMAP image{};
        GetObjectW(info.hbmColor, sizeof image, &image);
        EXPECT_EQ(image.bmWidth, GetSystemMetrics(which == GCLP_HICON ? SM_CXICON : SM_CXSMICON));
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(Win32Gui, ButtonLightsUnderThePointerAndClicksOnRelease) {
    LwSystemButton* button = MakeButton("Next >", {20, 20});
    LwSystemButton* disabled = MakeButton("OK", {150, 20});
    platform::EnableWindow(disabled->GetNativeWindow(), false);
    disabled->Invalidate();
    EXPECT_TRUE(Shows(button, 54, 119, 84, 12, 28));
    EXPECT_TRUE(Shows(disabled, 75, 80, 70, 8, 18));

    MovePointer(button->GetNativeWindow(), {40, 15});
    ASSERT_TRUE(PumpUntil([&] { return PointerOver(button->GetNativeWindow()); }));
    EXPECT_TRUE(Shows(button, 83, 138, 108, 19, 42));
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpUntil([&] { return host_->clicks == 1; }));

    // Pressed, then released away from it: no click, and the idle look comes back.
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    MovePointer(host_->GetNativeWindow(), {250, 150});
    SendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(Shows(button, 54, 119, 84, 12, 28));
    // A click on the disabled button reaches nobody.
    MovePointer(disabled->GetNativeWindow(), {40, 15});
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    PumpUntil([] { return false; }, 200ms);
    EXPECT_EQ(host_->clicks, 1);
}

// A dialog that, once on the screen, clicks one of its own buttons from inside its modal loop.
class ClickedDialog : public LwPopupDialog {
  public:
    ClickedDialog(LwObject* owner, size_t button)
        : LwPopupDialog(owner, "Kestrel 3D", "Do you really want to cancel the installation?", true,
                        true),
          button_(button),
          timer_(this, 1) {
        timer_.Start(50);
    }
    bool ownerWasDisabled = false;

  protected:
    void OnTimer(int) override {
        if (++ticks_ > 100) {
            SetModalResult(99);
            Close();
            return;
        }
        std::vector<LwSystemButton*> buttons;
        for (LwObject* child : GetChildren()) {
            if (auto* b = dynamic_cast<LwSystemButton*>(child)) {
                buttons.push_back(b);
            }
        }
        if (buttons.size() <= button_ || !platform::IsWindowVisible(GetNativeWindow())) {
            return;
        }
        const platform::NativeWindow target = buttons[button_]->GetNativeWindow();
        if (!PointerOver(target)) {
            MovePointer(target, {buttons[button_]->GetSize().width / 2, 17});
            return;
        }
        if (!clicked_) {
            clicked_ = true;
            ownerWasDisabled = !platform::IsWindowEnabled(GetParent()->GetNativeWindow());
            SendMouse(MOUSEEVENTF_LEFTDOWN);
            SendMouse(MOUSEEVENTF_LEFTUP);
        }
    }

  private:
    size_t button_;
    LwTimer timer_;
    int ticks_ = 0;
    bool clicked_ = false;
};

TEST_F(Win32Gui, DialogAnswersWithTheButtonClickedAndGivesTheOwnerBack) {
    for (size_t button : {size_t{0}, size_t{1}}) {
        ClickedDialog dialog(host_.get(), button);
        EXPECT_EQ(dialog.RunModal(), static_cast<int>(button));
        EXPECT_TRUE(dialog.ownerWasDisabled);
        EXPECT_TRUE(platform::IsWindowEnabled(host_->GetNativeWindow()));
    }
}

TEST_F(Win32Gui, LicenceViewTakesTheHeightOfItsWholeContent) {
    const std::string licence(LicenceDocumentText());
    ASSERT_EQ(licence.rfind("{\\rtf", 0), 0u);
    auto* page = new LwPanel(host_.get(), LwPoint{0, 0}, LwSize{300, 200});
    page->SetBackgroundColor(kLwWhite);
    auto* view = new LwTextControl(page, LwPoint{0, 0}, LwSize{283, 50}, licence,
                                   kLwTextRich | kLwTextMultiLine | kLwTextReadOnly);
    // Some 20 KB of text in a 283-pixel column: thousands of pixels, whatever the fonts.
    ASSERT_TRUE(PumpUntil([&] { return view->GetSize().height > 3000; }));
    EXPECT_EQ(view->GetSize().width, 283);
    // The document was read as RTF: its text, not its control words.
    const std::string text = platform::GetTextControlText(view->GetNativeWindow());
    EXPECT_EQ(text.find("\\rtf"), std::string::npos);
    EXPECT_NE(text.find("Kestrel"), std::string::npos);
    // Ink on the white page where the first lines stand.
    bool ink = false;
    for (int y = 0; y < 60 && !ink; ++y) {
        for (int x = 0; x < 283 && !ink; x += 2) {
            ink = ReadPixel(page->GetNativeWindow(), x, y).r < 128;
        }
    }
    EXPECT_TRUE(ink);
}

}  // namespace

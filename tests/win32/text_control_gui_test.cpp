// The text controls on the system's rich edit and edit field: documents read as RTF or as plain
// text, the content's height reported to the parent, selections, fonts, and subclassing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "modal_driver.h"
#include "platform/Font.h"
#include "platform/TextControl.h"
#include "platform/win32/window_record.h"
#include "support/SelectedText.h"

// After windows.h: the rich edit header needs its types.
#include <richedit.h>

namespace {

using platform::NativeWindow;

constexpr const char* kDocument =
    "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 "
    "{\\b Bold} words\\par Caf\\'e9 second\\par}";

std::string Paragraphs(int count) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ";
    for (int i = 0; i < count; ++i) {
        rtf += "Paragraph " + std::to_string(i) + "\\par ";
    }
    return rtf + "}";
}

HWND Handle(NativeWindow window) {
    return platform::backend::HandleOf(window);
}

struct ResizeRequest {
    NativeWindow from;
    platform::Rect requested;
};

class TextControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        requests_.clear();
        parent_ = platform::CreateTopLevelWindow(nullptr, {40, 40}, {400, 300}, "Text controls", {},
                                                 &ParentProc);
        ASSERT_TRUE(parent_) << "no desktop to open windows on";
        platform::ShowWindow(parent_, true);
    }
    void TearDown() override { platform::DestroyWindow(parent_); }

    NativeWindow Make(const std::string& text, int flags) {
        return platform::CreateTextControl(parent_, {0, 0}, {300, 50}, text, flags);
    }

    static const ResizeRequest* RequestFrom(NativeWindow window) {
        for (const ResizeRequest& request : requests_) {
            if (request.from == window) {
                return &request;
            }
        }
        return nullptr;
    }

    static platform::MessageResult ParentProc(NativeWindow window, platform::MessageId message,
                                              platform::WParam wParam, platform::LParam lParam) {
        if (message == platform::kWmNotify) {
            const auto* header = reinterpret_cast<const platform::NotifyHeader*>(lParam);
            if (header->code == platform::kEnRequestResize) {
                const auto* notify = reinterpret_cast<const platform::RequestResizeNotify*>(lParam);
                requests_.push_back({NativeWindow::FromBits(header->from), notify->requested});
            }
            return 0;
        }
        return platform::DefaultWindowProc(window, message, wParam, lParam);
    }

    static inline std::vector<ResizeRequest> requests_;
    NativeWindow parent_;
};

TEST_F(TextControlTest, RichControlReadsRtfAsADocumentAndOtherTextAsItIs) {
    const NativeWindow rtf = Make(kDocument, platform::kTextRich | platform::kTextMultiLine);
    ASSERT_TRUE(rtf);
    const std::string text = platform::GetTextControlText(rtf);
    EXPECT_EQ(text.find("rtf"), std::string::npos) << text;
    EXPECT_NE(text.find("Bold words\nCaf\xC3\xA9 second"), std::string::npos) << text;

    const std::string plain = "Plain {\\b text}\nline two \xE2\x82\xAC";
    const NativeWindow other = Make(plain, platform::kTextRich | platform::kTextMultiLine);
    EXPECT_EQ(platform::GetTextControlText(other), plain);
}

TEST_F(TextControlTest, RichControlReportsTheHeightOfItsWholeContent) {
    const int flags = platform::kTextRich | platform::kTextMultiLine | platform::kTextReadOnly;
    const NativeWindow shortOne = Make(Paragraphs(1), flags);
    const NativeWindow longOne = Make(Paragraphs(30), flags);
    platform::RequestTextControlResize(shortOne);
    platform::RequestTextControlResize(longOne);
    ASSERT_TRUE(wintest::PumpUntil([&] { return RequestFrom(shortOne) && RequestFrom(longOne); }));
    const int shortHeight = RequestFrom(shortOne)->requested.Bottom();
    const int longHeight = RequestFrom(longOne)->requested.Bottom();
    EXPECT_GT(shortHeight, 0);
    EXPECT_LT(shortHeight, 50);
    // Thirty lines, well past the 50 pixels the control was made with.
    EXPECT_GT(longHeight, 20 * shortHeight);
}

TEST_F(TextControlTest, PlainFieldReportsOneLineHeightPerLine) {
    const NativeWindow one = Make("one", platform::kTextMultiLine);
    const NativeWindow three = Make("one\ntwo\nthree", platform::kTextMultiLine);
    platform::RequestTextControlResize(one);
    platform::RequestTextControlResize(three);
    ASSERT_TRUE(wintest::PumpUntil([&] { return RequestFrom(one) && RequestFrom(three); }));
    const int lineHeight = RequestFrom(one)->requested.Bottom();
    EXPECT_GT(lineHeight, 0);
    EXPECT_NEAR(RequestFrom(three)->requested.Bottom(), 3 * lineHeight, 2);
}

TEST_F(TextControlTest, RichSelectionComesWithoutFormatsAndWithProgramLineEnds) {
    const NativeWindow control = Make(kDocument, platform::kTextRich | platform::kTextMultiLine);
    SendMessageW(Handle(control), EM_SETSEL, 0, 4);
    EXPECT_EQ(testsupport::SelectedText(control), "Bold");
    // A paragraph end counts as one character in a rich edit.
    SendMessageW(Handle(control), EM_SETSEL, 5, 15);
    EXPECT_EQ(testsupport::SelectedText(control), "words\nCaf\xC3\xA9");
    SendMessageW(Handle(control), EM_SETSEL, 3, 3);
    EXPECT_EQ(testsupport::SelectedText(control), "");
}

TEST_F(TextControlTest, PlainFieldKeepsLinesOnlyWhenMultiLine) {
    const NativeWindow multi = Make("one\ntwo\r\nthree", platform::kTextMultiLine);
    EXPECT_EQ(SendMessageW(Handle(multi), EM_GETLINECOUNT, 0, 0), 3);
    EXPECT_EQ(platform::GetTextControlText(multi), "one\ntwo\nthree");
    // The field counts CR LF as two characters: "on|e\r\nt|wo".
    SendMessageW(Handle(multi), EM_SETSEL, 2, 6);
    EXPECT_EQ(testsupport::SelectedText(multi), "e\nt");

    const NativeWindow single = Make("one\ntwo", 0);
    EXPECT_EQ(platform::GetTextControlText(single), "one");
}

TEST_F(TextControlTest, PlainFieldTakesItsOwnCopyOfEachFont) {
    const NativeWindow field = Make("text", 0);
    {
        const platform::Font font("Tahoma", 11.0f, platform::kFontBold);
        platform::SetTextControlFont(field, font);
    }
    const auto first = reinterpret_cast<HFONT>(SendMessageW(Handle(field), WM_GETFONT, 0, 0));
    ASSERT_NE(first, nullptr);
    LOGFONTW description{};
    ASSERT_NE(GetObjectW(first, sizeof description, &description), 0);
    EXPECT_EQ(description.lfHeight, -11);
    EXPECT_EQ(description.lfWeight, FW_BOLD);

    const platform::Font second("Tahoma", 13.0f, 0);
    platform::SetTextControlFont(field, second);
    const auto replaced = reinterpret_cast<HFONT>(SendMessageW(Handle(field), WM_GETFONT, 0, 0));
    EXPECT_NE(replaced, first);
    // The font it no longer uses is freed.
    EXPECT_EQ(GetObjectType(first), 0u);
}

RECT FormattingRect(NativeWindow control) {
    RECT rect{};
    SendMessageW(Handle(control), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

// The text's rectangle moves in from the edges by the margins. Only the field is measured: Wine's
// rich edit leaves the message unimplemented (it is the system's own on Windows).
TEST_F(TextControlTest, MarginsKeepTheFieldsTextFromBothEdges) {
    const NativeWindow field = Make("text", 0);
    platform::SetTextControlMargins(field, 0, 0);
    const RECT bare = FormattingRect(field);
    platform::SetTextControlMargins(field, 10, 5);
    const RECT inset = FormattingRect(field);
    EXPECT_EQ(inset.left - bare.left, 10);
    EXPECT_EQ(bare.right - inset.right, 5);
}

std::vector<platform::MessageId> g_seen;
platform::WindowProc g_previous = nullptr;

platform::MessageResult Recorder(NativeWindow window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) {
    g_seen.push_back(message);
    return g_previous(window, message, wParam, lParam);
}

TEST_F(TextControlTest, SubclassSeesTheControlsMessagesAndPassesThemOn) {
    const NativeWindow field = Make("bc", 0);
    g_seen.clear();
    g_previous = platform::SubclassWindow(field, &Recorder);
    ASSERT_NE(g_previous, nullptr);
    SendMessageW(Handle(field), WM_CHAR, L'a', 0);
    EXPECT_NE(std::find(g_seen.begin(), g_seen.end(), platform::kWmChar), g_seen.end());
    // The field's own procedure still typed the character (at the caret, the start).
    EXPECT_EQ(platform::GetTextControlText(field), "abc");
    EXPECT_EQ(platform::SubclassWindow(field, g_previous), &Recorder);
}

TEST_F(TextControlTest, PlainFieldTakesTheLastEditBackWithCtrlZ) {
    const NativeWindow field = Make("path", 0);
    SetFocus(Handle(field));
    SendMessageW(Handle(field), WM_KEYDOWN, VK_END, 0);
    SendMessageW(Handle(field), WM_CHAR, L's', 0);
    ASSERT_EQ(platform::GetTextControlText(field), "paths");
    SendMessageW(Handle(field), WM_CHAR, 0x1A, 0);  // what Ctrl+Z types
    EXPECT_EQ(platform::GetTextControlText(field), "path");
}

TEST_F(TextControlTest, GoneWindowsAndMissingParentsGiveNothing) {
    EXPECT_FALSE(platform::CreateTextControl(nullptr, {0, 0}, {100, 20}, "x", 0));
    const NativeWindow field = Make("text", 0);
    platform::DestroyWindow(field);
    EXPECT_EQ(platform::GetTextControlText(field), "");
    EXPECT_EQ(testsupport::SelectedText(field), "");
    EXPECT_EQ(platform::SubclassWindow(field, &Recorder), nullptr);
}

}  // namespace

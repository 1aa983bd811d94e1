// The text control on the X server: the licence view takes its content's height through its
// parent, lays out justified paragraphs, bold underlined headings and bullets inside its
// margins, copies a mouse selection to the clipboard that another client reads; the routing's
// key rules; and the plain field edited with real keys.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/LicenceDocument.h"
#include "controls/LwTextControl.h"
#include "platform/Accessibility.h"
#include "platform/Events.h"
#include "platform/TextControl.h"
#include "platform/x11/x11_access.h"
#include "richtext/rich_document.h"
#include "support/SelectedText.h"
#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

using testsupport::PumpUntil;

constexpr int kViewWidth = 283;  // the wizard's: client width 500 less 217
constexpr int kLeftMargin = 10;
constexpr int kRightMargin = 5;

std::string LicenceRtf() {
    return std::string(LicenceDocumentText());
}

bool IsInk(LwColor c) {
    return c.r + c.g + c.b < 3 * 160;
}

// Runs a command to its end while the loop keeps answering the server (a selection request
// from the command, for one); its standard output.
std::string RunPumping(const std::vector<std::string>& arguments) {
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string output;
    bool ended = spawned != 0;
    PumpUntil(
        [&] {
            char buffer[4096];
            ssize_t n;
            while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
                output.append(buffer, static_cast<size_t>(n));
            }
            if (!ended && waitpid(pid, nullptr, WNOHANG) == pid) {
                ended = true;
            }
            return ended && n == 0;
        },
        5s);
    close(out[0]);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    return output;
}

// Starts a command with `input` on its standard input; its process id.
pid_t StartWithInput(const std::vector<std::string>& arguments, const std::string& input) {
    int in[2];
    if (pipe(in) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        ADD_FAILURE() << "could not hand the input over";
    }
    close(in[1]);
    return pid;
}

void ChordKey(unsigned long modifier, unsigned long keysym) {
    testsupport::PressKey(modifier);
    testsupport::TapKey(keysym);
    testsupport::ReleaseKey(modifier);
}

void TypeText(const std::string& ascii) {
    for (char c : ascii) {
        testsupport::TapKey(c == ' ' ? XK_space : static_cast<unsigned long>(c));
    }
}

// A field that refuses the letter x, as a control that filters its input would.
class NoXField : public LwTextControl {
  public:
    using LwTextControl::LwTextControl;

  protected:
    bool OnChar(unsigned character) override { return character != 'x'; }
};

class TextControlTest : public testsupport::GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        testsupport::ParkPointer();
        window_ = std::make_unique<LwWindow>(nullptr, LwPoint{30, 30}, LwSize{520, 640},
                                             "text control", 0);
        window_->SetBackgroundColor(LwGrey(45));
        Track(window_->GetNativeWindow());
    }
    void TearDown() override {
        window_.reset();
        GuiTest::TearDown();
    }

    void ShowAndSettle() {
        window_->Show(true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(window_->GetNativeWindow()));
        testsupport::Settle();
    }

    // The licence as the wizard shows it: on a white page at the top left of a holder.
    LwTextControl* MakeLicenceView(int pageHeight = 300) {
        page_ = new LwPanel(window_.get(), LwPoint{0, 0}, LwSize{kViewWidth + 17, pageHeight});
        page_->SetBackgroundColor(kLwWhite);
        return new LwTextControl(page_, LwPoint{0, 0}, LwSize{kViewWidth, 50}, LicenceRtf(),
                                 kLwTextRich | kLwTextMultiLine | kLwTextReadOnly);
    }

    LwTextControl* MakeField(int flags, const std::string& text = {}, LwPoint at = {20, 20},
                             LwSize size = {200, 22}) {
        return new LwTextControl(window_.get(), at, size, text, flags);
    }

    // Clicks into a field and waits until it has the keyboard focus.
    void FocusByClick(LwTextControl* field, LwPoint at) {
        testsupport::MovePointer(field->GetNativeWindow(), at);
        testsupport::Click(1);
        ASSERT_TRUE(PumpUntil([&] { return platform::GetFocus() == field->GetNativeWindow(); }));
    }

    static std::string Text(LwTextControl* control) {
        return platform::GetTextControlText(control->GetNativeWindow());
    }

    // Types and waits until the field shows `expected`.
    bool TypeAndExpect(LwTextControl* field, const std::string& typed,
                       const std::string& expected) {
        TypeText(typed);
        return PumpUntil([&] { return Text(field) == expected; });
    }

    std::unique_ptr<LwWindow> window_;
    LwPanel* page_ = nullptr;
};

// Rows [top, bottom) of the view that hold ink, grouped into lines, with each line's ink
// extent; read from what the server shows.
struct InkLine {
    int top = 0;
    int bottom = 0;
    int left = 0;
    int right = 0;  // last inked column
};

std::vector<InkLine> InkLines(platform::NativeWindow window, int top, int bottom, int width) {
    const auto pixels = testsupport::ReadPixels(window, LwRect{0, top, width, bottom - top});
    std::vector<InkLine> lines;
    if (pixels.size() != size_t(width) * (bottom - top)) {
        ADD_FAILURE() << "rows " << top << " to " << bottom << " could not be read";
        return lines;
    }
    bool inLine = false;
    for (int y = 0; y < bottom - top; ++y) {
        int left = -1;
        int right = -1;
        for (int x = 0; x < width; ++x) {
            if (IsInk(pixels[size_t(y) * width + x])) {
                left = left < 0 ? x : left;
                right = x;
            }
        }
        if (left < 0) {
            inLine = false;
            continue;
        }
        if (!inLine) {
            lines.push_back({top + y, top + y + 1, left, right});
            inLine = true;
        }
        InkLine& line = lines.back();
        line.bottom = top + y + 1;
        line.left = std::min(line.left, left);
        line.right = std::max(line.right, right);
    }
    return lines;
}

TEST_F(TextControlTest, LicenceViewTakesTheHeightOfItsWholeContent) {
    ASSERT_FALSE(LicenceRtf().empty());
    LwTextControl* view = MakeLicenceView(200);
    ShowAndSettle();
    // The height comes once the window is on the screen: some 20 KB in a 283-pixel column.
    ASSERT_TRUE(testsupport::PumpUntil([&] { return view->GetSize().height > 1000; }));
    const LwSize size = view->GetSize();
    EXPECT_EQ(size.width, kViewWidth);
    // Scrolled to its end as the page scrolls it, the last line sits whole at the bottom.
    view->SetPosition(LwPoint{0, 200 - size.height});
    testsupport::Settle();
    const auto lines = InkLines(page_->GetNativeWindow(), 0, 200, kViewWidth);
    ASSERT_FALSE(lines.empty());
    // Below it only the space after the last paragraph.
    EXPECT_GE(lines.back().bottom, 200 - 30);
    EXPECT_LT(lines.back().bottom, 200);
}

TEST_F(TextControlTest, LicenceStaysInsideItsMarginsWithJustifiedLinesFlushRight) {
    LwTextControl* view = MakeLicenceView();
    ShowAndSettle();
    const auto lines = InkLines(view->GetNativeWindow(), 0, 300, kViewWidth);
    ASSERT_GT(lines.size(), 10u);
    const int rightEdge = kViewWidth - kRightMargin - 1;
    int flush = 0;
    for (const InkLine& line : lines) {
        EXPECT_GE(line.left, kLeftMargin);
        EXPECT_LE(line.right, rightEdge);
        flush += line.right >= rightEdge - 2;
    }
    // Most lines of justified paragraphs reach the margin; last lines and headings do not.
    EXPECT_GT(flush, static_cast<int>(lines.size()) / 3);
    EXPECT_LT(flush, static_cast<int>(lines.size()));
}

// The mean length of the horizontal runs of ink in a line: strokes of bold type are wider.
double MeanStrokeWidth(const std::vector<LwColor>& pixels, int width, int top, int bottom) {
    int runs = 0;
    int inked = 0;
    for (int y = top; y < bottom; ++y) {
        bool inRun = false;
        for (int x = 0; x < width; ++x) {
            const bool ink = IsInk(pixels[size_t(y) * width + x]);
            runs += ink && !inRun;
            inked += ink;
            inRun = ink;
        }
    }
    return runs ? double(inked) / runs : 0.0;
}

// The longest unbroken run of ink along one row of a line: an underline runs under the words
// and the spaces between them.
int LongestInkRow(const std::vector<LwColor>& pixels, int width, int top, int bottom) {
    int longest = 0;
    for (int y = top; y < bottom; ++y) {
        int run = 0;
        for (int x = 0; x < width; ++x) {
            run = IsInk(pixels[size_t(y) * width + x]) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

TEST_F(TextControlTest, HeadingsAreBoldAndUnderlinedAndBulletsAreDrawn) {
    LwTextControl* view = MakeLicenceView(600);
    ShowAndSettle();
    const auto pixels = testsupport::ReadPixels(view->GetNativeWindow(), {0, 0, kViewWidth, 600});
    const auto lines = InkLines(view->GetNativeWindow(), 0, 600, kViewWidth);
    ASSERT_GT(lines.size(), 4u);
    // Headings: lines with an underline, whose strokes are wider than the body's.
    std::vector<double> body;
    std::vector<const InkLine*> headings;
    for (const InkLine& line : lines) {
        if (LongestInkRow(pixels, kViewWidth, line.top, line.bottom) > 60) {
            headings.push_back(&line);
        } else {
            body.push_back(MeanStrokeWidth(pixels, kViewWidth, line.top, line.bottom));
        }
    }
    ASSERT_FALSE(headings.empty());
    ASSERT_GT(body.size(), 3u);
    std::sort(body.begin(), body.end());
    for (const InkLine* heading : headings) {
        // Without the underline's rows.
        EXPECT_GT(MeanStrokeWidth(pixels, kViewWidth, heading->top, heading->bottom - 2),
                  1.25 * body[body.size() / 2]);
    }

    // The document ends with two bulleted paragraphs: each first line starts with a small
    // blob, and the text after it and the lines it wraps onto share one indent.
    const int height = view->GetSize().height;
    view->SetPosition(LwPoint{0, 300 - height});
    testsupport::Settle();
    const auto end = testsupport::ReadPixels(page_->GetNativeWindow(), {0, 0, kViewWidth, 300});
    const auto last = InkLines(page_->GetNativeWindow(), 0, 300, kViewWidth);
    ASSERT_GE(last.size(), 4u);
    auto columnInked = [&](const InkLine& line, int column) {
        for (int y = line.top; y < line.bottom; ++y) {
            if (IsInk(end[size_t(y) * kViewWidth + column])) {
                return true;
            }
        }
        return false;
    };
    // Where the text after a bullet starts; -1 when the line does not start with a bullet.
    auto textAfterBullet = [&](const InkLine& line) {
        int x = line.left;
        while (x <= line.right && columnInked(line, x)) {
            ++x;
        }
        const int blob = x - line.left;
        while (x <= line.right && !columnInked(line, x)) {
            ++x;
        }
        return blob >= 2 && blob <= 8 && x - line.left - blob >= 6 ? x : -1;
    };
    std::vector<int> bullets;
    for (size_t i = last.size() - 4; i < last.size(); ++i) {
        const int text = textAfterBullet(last[i]);
        if (text < 0) {
            continue;
        }
        bullets.push_back(last[i].left);
        if (i + 1 < last.size() && textAfterBullet(last[i + 1]) < 0) {
            EXPECT_NEAR(last[i + 1].left, text, 1);
        }
    }
    ASSERT_EQ(bullets.size(), 2u);
    EXPECT_EQ(bullets[0], bullets[1]);
    EXPECT_GT(bullets[0], kLeftMargin);  // the bullets' paragraphs are indented
}

TEST_F(TextControlTest, MouseSelectionGoesToTheClipboardWithCtrlCAndToPrimary) {
    LwTextControl* view = MakeLicenceView();
    ShowAndSettle();
    const auto lines = InkLines(view->GetNativeWindow(), 0, 300, kViewWidth);
    ASSERT_GT(lines.size(), 4u);
    // From the start of the second line to the middle of the fourth.
    const int y0 = (lines[1].top + lines[1].bottom) / 2;
    const int y1 = (lines[3].top + lines[3].bottom) / 2;
    testsupport::MovePointer(view->GetNativeWindow(), {lines[1].left, y0});
    testsupport::PressButton(1);
    testsupport::MovePointer(view->GetNativeWindow(), {kViewWidth / 2, (y0 + y1) / 2});
    testsupport::MovePointer(view->GetNativeWindow(), {kViewWidth / 2, y1});
    testsupport::ReleaseButton(1);
    std::string selected;
    ASSERT_TRUE(PumpUntil([&] {
        selected = testsupport::SelectedText(view->GetNativeWindow());
        return selected.size() > 40 && platform::GetCapture() == nullptr;
    }));
    const std::string plain = richtext::PlainText(richtext::ReadRichText(LicenceRtf()));
    EXPECT_NE(plain.find(selected), std::string::npos);
    // The selection is shown.
    testsupport::Settle();
    bool highlighted = false;
    for (LwColor c :
         testsupport::ReadPixels(view->GetNativeWindow(), {0, lines[2].top, kViewWidth, 4})) {
        highlighted |= c == LwColor{173, 214, 255, 255};
    }
    EXPECT_TRUE(highlighted);

    EXPECT_EQ(RunPumping({"xclip", "-o", "-selection", "primary"}), selected);
    ChordKey(XK_Control_L, XK_c);
    testsupport::Settle();
    EXPECT_EQ(RunPumping({"xclip", "-o", "-selection", "clipboard"}), selected);
    EXPECT_EQ(RunPumping({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"})
                      .find("UTF8_STRING") != std::string::npos,
              true);
}

TEST_F(TextControlTest, ControlsWantTabReturnEscapeAndPeriodAndNoRefusedCharacter) {
    NoXField* field = new NoXField(window_.get(), LwPoint{20, 20}, LwSize{200, 22}, "", 0);
    ShowAndSettle();
    platform::NativeWindow w = field->GetNativeWindow();
    const platform::MessageResult own = platform::SendMessage(w, platform::kWmGetDlgCode, 'A', 0);
    EXPECT_EQ(own & platform::kDlgcWantAllKeys, 0);
    EXPECT_EQ(platform::SendMessage(w, platform::kWmGetDlgCode, platform::kVkLeft, 0), own);
    for (platform::WParam key :
         {platform::kVkTab, platform::kVkReturn, platform::kVkEscape, platform::kVkOemPeriod}) {
        EXPECT_EQ(platform::SendMessage(w, platform::kWmGetDlgCode, key, 0),
                  own | platform::kDlgcWantAllKeys)
            << key;
    }
    FocusByClick(field, {100, 10});
    EXPECT_TRUE(TypeAndExpect(field, "axbxc", "abc"));
}

TEST_F(TextControlTest, PlainFieldEditsWithRealKeys) {
    LwTextControl* field = MakeField(0);
    ShowAndSettle();
    FocusByClick(field, {100, 10});
    ASSERT_TRUE(TypeAndExpect(field, "hello world", "hello world"));
    testsupport::TapKey(XK_Home);
    ASSERT_TRUE(TypeAndExpect(field, "[", "[hello world"));
    testsupport::TapKey(XK_End);
    ASSERT_TRUE(TypeAndExpect(field, "]", "[hello world]"));
    testsupport::TapKey(XK_Left);
    testsupport::TapKey(XK_Left);
    testsupport::TapKey(XK_BackSpace);  // the l before d
    testsupport::TapKey(XK_Delete);     // the d
    ASSERT_TRUE(PumpUntil([&] { return Text(field) == "[hello wor]"; }));
    // Shift with Home selects back to the start; typing replaces the selection.
    testsupport::PressKey(XK_Shift_L);
    testsupport::TapKey(XK_Home);
    testsupport::ReleaseKey(XK_Shift_L);
    ASSERT_TRUE(PumpUntil(
        [&] { return testsupport::SelectedText(field->GetNativeWindow()) == "[hello wor"; }));
    ASSERT_TRUE(TypeAndExpect(field, "ok", "ok]"));
    // Shift with Right, then Ctrl+X and Ctrl+V elsewhere: a cut moves text.
    testsupport::TapKey(XK_Home);
    testsupport::PressKey(XK_Shift_L);
    testsupport::TapKey(XK_Right);
    testsupport::ReleaseKey(XK_Shift_L);
    ChordKey(XK_Control_L, XK_x);
    ASSERT_TRUE(PumpUntil([&] { return Text(field) == "k]"; }));
    testsupport::TapKey(XK_End);
    ChordKey(XK_Control_L, XK_v);
    ASSERT_TRUE(PumpUntil([&] { return Text(field) == "k]o"; }));
    // A mouse drag selects too.
    testsupport::MovePointer(field->GetNativeWindow(), {1, 10});
    testsupport::PressButton(1);
    testsupport::MovePointer(field->GetNativeWindow(), {199, 10});
    testsupport::ReleaseButton(1);
    ASSERT_TRUE(
        PumpUntil([&] { return testsupport::SelectedText(field->GetNativeWindow()) == "k]o"; }));
}

TEST_F(TextControlTest, CtrlZTakesTheLastEditBackAndASecondOneRedoesIt) {
    LwTextControl* field = MakeField(0);
    ShowAndSettle();
    FocusByClick(field, {100, 10});
    ASSERT_TRUE(TypeAndExpect(field, "path", "path"));
    testsupport::TapKey(XK_BackSpace);
    ASSERT_TRUE(PumpUntil([&] { return Text(field) == "pat"; }));
    ChordKey(XK_Control_L, XK_z);
    ASSERT_TRUE(PumpUntil([&] { return Text(field) == "path"; }));
    ChordKey(XK_Control_L, XK_z);
    ASSERT_TRUE(PumpUntil([&] { return Text(field) == "pat"; }));
    // A selection replaced by typing comes back selected.
    ChordKey(XK_Control_L, XK_a);
    ASSERT_TRUE(TypeAndExpect(field, "x", "x"));
    ChordKey(XK_Control_L, XK_z);
    ASSERT_TRUE(PumpUntil([&] { return Text(field) == "pat"; }));
    EXPECT_EQ(testsupport::SelectedText(field->GetNativeWindow()), "pat");
    // A key that changes nothing leaves the last edit to undo.
    testsupport::TapKey(XK_End);
    testsupport::TapKey(XK_Delete);
    ChordKey(XK_Control_L, XK_z);
    EXPECT_TRUE(PumpUntil([&] { return Text(field) == "x"; }));
}

// Screen readers get the control's own offsets: the second of two equal words, and the caret at
// the end the selection was made towards.
TEST_F(TextControlTest, ScreenReadersGetTheCaretAndTheSelectionWhereTheControlHasThem) {
    LwTextControl* field = MakeField(0);
    ShowAndSettle();
    FocusByClick(field, {100, 10});
    ASSERT_TRUE(TypeAndExpect(field, "ab ab", "ab ab"));
    auto describe = [&] {
        platform::AccessibleInfo info;
        platform::SendMessage(field->GetNativeWindow(), platform::kWmGetAccessibleInfo, 0,
                              reinterpret_cast<platform::LParam>(&info));
        return info;
    };
    ASSERT_TRUE(PumpUntil([&] { return describe().caret == 5; }));
    EXPECT_EQ(describe().selectionStart, -1);
    testsupport::PressKey(XK_Shift_L);
    testsupport::TapKey(XK_Left);
    testsupport::TapKey(XK_Left);
    testsupport::ReleaseKey(XK_Shift_L);
    ASSERT_TRUE(PumpUntil([&] { return describe().selectionStart == 3; }));
    const platform::AccessibleInfo info = describe();
    EXPECT_TRUE(info.hasText);
    EXPECT_EQ(info.text, "ab ab");
    EXPECT_EQ(info.selectionEnd, 5);
    EXPECT_EQ(info.caret, 3);
}

TEST_F(TextControlTest, TheCaretBlinksUnlessKestrelNoBlinkIsSet) {
    LwTextControl* field = MakeField(0);
    ShowAndSettle();
    const LwRect whole{0, 0, field->GetSize().width, field->GetSize().height};
    // The distinct pictures of the field seen over 1.5 s.
    const auto picturesSeen = [&] {
        std::vector<std::vector<LwColor>> seen;
        PumpUntil(
            [&] {
                testsupport::Settle();
                const auto picture = testsupport::ReadPixels(field->GetNativeWindow(), whole);
                if (std::find(seen.begin(), seen.end(), picture) == seen.end()) {
                    seen.push_back(picture);
                }
                return false;
            },
            1500ms);
        return seen.size();
    };
    const char* given = std::getenv("KESTREL_NO_BLINK");
    const std::string before = given ? given : "";
    setenv("KESTREL_NO_BLINK", "1", 1);
    FocusByClick(field, {100, 10});
    ASSERT_TRUE(TypeAndExpect(field, "ab", "ab"));
    EXPECT_EQ(picturesSeen(), 1u) << "KESTREL_NO_BLINK is set: the caret stays";

    unsetenv("KESTREL_NO_BLINK");
    ASSERT_TRUE(TypeAndExpect(field, "c", "abc"));  // the blink starts over with each key
    EXPECT_EQ(picturesSeen(), 2u) << "the caret on, and off";
    if (given) {
        setenv("KESTREL_NO_BLINK", before.c_str(), 1);
    }
}

TEST_F(TextControlTest, PasswordCentredReadOnlyAndMultiLineFields) {
    LwTextControl* secret = MakeField(kLwTextPassword, "", {20, 20});
    LwTextControl* other = MakeField(kLwTextPassword, "", {20, 60});
    LwTextControl* centred = MakeField(kLwTextCentered, "mid", {20, 100});
    LwTextControl* fixed = MakeField(kLwTextReadOnly, "fixed", {20, 140});
    LwTextControl* lines = MakeField(kLwTextMultiLine, "", {240, 20}, {200, 80});
    ShowAndSettle();

    FocusByClick(secret, {100, 10});
    ASSERT_TRUE(TypeAndExpect(secret, "secret", "secret"));
    FocusByClick(other, {100, 10});
    ASSERT_TRUE(TypeAndExpect(other, "zzzzzz", "zzzzzz"));
    // Nothing of the characters shows: six of any letters look the same. Nor can they be copied.
    FocusByClick(fixed, {100, 10});
    testsupport::Settle();
    EXPECT_EQ(testsupport::ReadPixels(secret->GetNativeWindow(), {0, 0, 200, 22}),
              testsupport::ReadPixels(other->GetNativeWindow(), {0, 0, 200, 22}));
    FocusByClick(secret, {100, 10});
    ChordKey(XK_Control_L, XK_a);
    ChordKey(XK_Control_L, XK_c);
    testsupport::Settle();
    EXPECT_NE(RunPumping({"xclip", "-o", "-selection", "clipboard"}), "secret");

    // Centred: as much blank on either side of the ink.
    const auto ink = InkLines(centred->GetNativeWindow(), 0, 22, 200);
    ASSERT_EQ(ink.size(), 1u);
    EXPECT_NEAR(ink[0].left, 199 - ink[0].right, 2);

    FocusByClick(fixed, {100, 10});
    TypeText("abc");
    testsupport::TapKey(XK_BackSpace);
    testsupport::PumpFor(100ms);
    EXPECT_EQ(Text(fixed), "fixed");

    FocusByClick(lines, {100, 10});
    ASSERT_TRUE(TypeAndExpect(lines, "one", "one"));
    testsupport::TapKey(XK_Return);
    ASSERT_TRUE(TypeAndExpect(lines, "two", "one\ntwo"));
    testsupport::TapKey(XK_Up);
    testsupport::TapKey(XK_Home);
    ASSERT_TRUE(TypeAndExpect(lines, "-", "-one\ntwo"));
    testsupport::TapKey(XK_Down);
    testsupport::TapKey(XK_End);
    ASSERT_TRUE(TypeAndExpect(lines, ".", "-one\ntwo."));
    testsupport::Settle();
    EXPECT_EQ(InkLines(lines->GetNativeWindow(), 0, 80, 200).size(), 2u);
}

TEST_F(TextControlTest, RichControlReadsRtfOnlyWhenTheTextSaysSo) {
    auto* rtf = new LwTextControl(window_.get(), LwPoint{0, 0}, LwSize{200, 50},
                                  "{\\rtf1\\ansi {\\b bold} and plain}", kLwTextRich);
    auto* plain = new LwTextControl(window_.get(), LwPoint{0, 100}, LwSize{200, 50},
                                    "{\\b not rtf}\nsecond line", kLwTextRich);
    EXPECT_EQ(Text(rtf), "bold and plain");
    EXPECT_EQ(Text(plain), "{\\b not rtf}\nsecond line");
    // Each takes its content's height: one line, and two.
    EXPECT_TRUE(testsupport::PumpUntil([&] { return rtf->GetSize().height != 50; }));
    EXPECT_GT(rtf->GetSize().height, 5);
    EXPECT_GT(plain->GetSize().height, rtf->GetSize().height * 3 / 2);
}

TEST_F(TextControlTest, PasteReadsWhatAnotherClientCopied) {
    LwTextControl* field = MakeField(0);
    ShowAndSettle();
    FocusByClick(field, {100, 10});
    Display* display = static_cast<Display*>(platform::x11::TestDisplay());
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const ::Window before = XGetSelectionOwner(display, clipboard);
    // xclip owns the clipboard until it has answered one request.
    const pid_t xclip = StartWithInput(
        {"xclip", "-i", "-selection", "clipboard", "-quiet", "-loops", "1"}, "from élsewhere");
    ASSERT_GT(xclip, 0);
    ASSERT_TRUE(PumpUntil([&] {
        const ::Window owner = XGetSelectionOwner(display, clipboard);
        return owner != None && owner != before;
    }));
    ChordKey(XK_Control_L, XK_v);
    EXPECT_TRUE(PumpUntil([&] { return Text(field) == "from élsewhere"; }));
    int status = 0;
    EXPECT_TRUE(PumpUntil([&] { return waitpid(xclip, &status, WNOHANG) == xclip; }));

    // Selected text is the primary selection, which a middle click pastes.
    LwTextControl* other = MakeField(0, "", {20, 60});
    testsupport::Settle();
    ChordKey(XK_Control_L, XK_a);
    testsupport::MovePointer(other->GetNativeWindow(), {100, 10});
    testsupport::Click(2);
    EXPECT_TRUE(PumpUntil([&] { return Text(other) == "from élsewhere"; }));
}

}  // namespace

// The combo box: item parsing, the value reset rule, the skin drawn whole and then its right end
// by pixel, the hover outline, the current label, and the popup menu driven with real input:
// picking with the mouse and with the keys, dismissing, and item strings that are bad input.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "controls/LwComboBox.h"
#include "draw/LwArtwork.h"
#include "hosted_test.h"
#include "platform/Bitmap.h"
#include "platform/Resources.h"
#include "support/MenuDriver.h"
#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

namespace {

using namespace std::chrono_literals;

using testsupport::MenuScript;
using testsupport::OpenMenuRect;
using testsupport::PumpUntil;
using testsupport::ReadPixels;

struct Item {
    int id;
    std::string label;
};

std::vector<Item> Parsed(const std::string& items) {
    std::vector<Item> out;
    for (const LwComboItem& item : LwComboBox::ParseItems(items)) {
        out.push_back({item.id, item.label});
    }
    return out;
}

bool operator==(const Item& a, const Item& b) {
    return a.id == b.id && a.label == b.label;
}

void PrintTo(const Item& item, std::ostream* os) {
    *os << "(" << item.id << ", \"" << item.label << "\")";
}

TEST(ComboItems, IdsFromBeforeTheFirstSlashOrThePosition) {
    using V = std::vector<Item>;
    EXPECT_EQ(Parsed("5/x|y"), (V{{5, "x"}, {1, "y"}}));
    EXPECT_EQ(Parsed("32-bit|64-bit"), (V{{0, "32-bit"}, {1, "64-bit"}}));
    EXPECT_EQ(Parsed("3/a|7/b"), (V{{3, "a"}, {7, "b"}}));
    EXPECT_EQ(Parsed(""), (V{{0, ""}}));
    EXPECT_EQ(Parsed("a|"), (V{{0, "a"}, {1, ""}}));
    EXPECT_EQ(Parsed("|"), (V{{0, ""}, {1, ""}}));
    // As atoi reads: blanks and a sign, digits up to the first other character, else 0.
    EXPECT_EQ(Parsed(" \t-12/a/b|+7x/c|x/d|/e"), (V{{-12, "a/b"}, {7, "c"}, {0, "d"}, {0, "e"}}));
    // Beyond the int range the id stays at its end rather than wrapping.
    EXPECT_EQ(Parsed("99999999999999999999/big|-99999999999/small|2147483648/edge"),
              (V{{INT_MAX, "big"}, {INT_MIN, "small"}, {INT_MAX, "edge"}}));
    // A C string ends at its first NUL.
    EXPECT_EQ(Parsed(std::string("a|b\0|c", 6)), (V{{0, "a"}, {1, "b"}}));
}

// The skin's pixels as decoded from the embedded PNG; only opaque ones are compared, since the
// others blend with what the surface held.
class Skin {
  public:
    Skin() {
        platform::ResourceBlock block;
        if (platform::FindResource(platform::kResourceTypeRcData, kLwComboSkinImageId, &block)) {
            if (auto bitmap = platform::Bitmap::DecodePng(block.data, block.size)) {
                pixels_ = bitmap->ArgbPixels();
                width_ = bitmap->GetSize().width;
            }
        }
    }
    int Width() const { return width_; }
    bool Opaque(int x, int y) const { return (Raw(x, y) >> 24) == 255; }
    LwColor At(int x, int y) const {
        const uint32_t p = Raw(x, y);
        return LwColor{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255};
    }

  private:
    uint32_t Raw(int x, int y) const { return pixels_.at(static_cast<size_t>(y) * width_ + x); }
    std::vector<uint32_t> pixels_;
    int width_ = 0;
};

// A window that records the change notifications of its box.
class Host : public LwWindow {
  public:
    Host() : LwWindow(nullptr, LwPoint{60, 60}, LwSize{300, 200}, "combo boxes", 0) {
        SetBackgroundColor(LwGrey(45));
    }
    void OnChange(int tag, LwControl*, int phase) {
        changes.push_back({tag, phase, watched ? *watched : -1000});
    }
    struct Change {
        int tag, phase, valueThen;
    };
    std::vector<Change> changes;
    int* watched = nullptr;
};

class ComboBox : public HostedTest<Host> {
  protected:
    void AddControls() override {
        box_ = Make("32-bit|64-bit", &value_, {20, 20});
        box_->changeTarget = host_.get();
        box_->changeHandler = AsChangeHandler(&Host::OnChange);
        box_->changeTag = 5;
        host_->watched = &value_;
    }

    LwComboBox* Make(const std::string& items, int* value, LwPoint at, int width = 60) {
        auto* box = new LwComboBox(host_.get(), at, items, value);
        box->SetSize(LwSize{width, 17});
        return box;
    }

    std::vector<LwColor> Pixels(LwComboBox* box) {
        return ReadPixels(box->GetNativeWindow(), LwRect{0, 0, box->GetSize().width, 17});
    }

    // The same pixels, but for the skin's four translucent corners, which show whatever the
    // surface held before.
    std::vector<LwColor> Opaque(LwComboBox* box) {
        std::vector<LwColor> pixels = Pixels(box);
        const size_t width = static_cast<size_t>(box->GetSize().width);
        for (size_t corner : {size_t{0}, width - 1, 16 * width, 17 * width - 1}) {
            pixels[corner] = kLwEmpty;
        }
        return pixels;
    }
    bool SamePicture(LwComboBox* a, LwComboBox* b) {
        return PumpUntil([&] { return Opaque(a) == Opaque(b); });
    }

    // The darkest grey of the text area (the skin's light field and the label).
    int DarkestText(LwComboBox* box) {
        int darkest = 255;
        for (LwColor c : ReadPixels(box->GetNativeWindow(), LwRect{4, 3, 36, 11})) {
            darkest = std::min<int>(darkest, c.g);
        }
        return darkest;
    }

    // Presses the box and runs the steps from inside the menu's loop; the first step waits for
    // the menu and notes where it is.
    bool PickWithMenu(LwComboBox* box, std::vector<std::function<bool()>> steps) {
        steps.insert(steps.begin(), [this] {
            menu_ = OpenMenuRect();
            return menu_.has_value();
        });
        MenuScript script(host_->GetNativeWindow(), std::move(steps));
        // A new spot each time: a quick second press on the same spot is a double click, which
        // opens no menu.
        testsupport::MovePointer(box->GetNativeWindow(), {12 + 10 * (presses_++ % 3), 8});
        testsupport::Click(1);
        const bool done = PumpUntil([&] { return script.Finished() && !OpenMenuRect(); });
        testsupport::PumpFor(50ms);
        return done && testsupport::InputIsFree();
    }

    static std::function<bool()> Key(unsigned long keysym) {
        return [keysym] {
            testsupport::TapKey(keysym);
            return true;
        };
    }

    // The left part of the i-th of n rows, where check marks go.
    LwRect CheckColumn(int row, int rows) const {
        return {menu_->x + 2, menu_->y + menu_->height * row / rows + 3, 18,
                menu_->height / rows - 6};
    }

    Skin skin_;
    int value_ = 0;
    LwComboBox* box_ = nullptr;
    std::optional<LwRect> menu_;
    int presses_ = 0;
};

TEST_F(ComboBox, ValueAtOrAboveTheItemCountIsResetNegativeKept) {
    int two = 2;
    int negative = -1;
    int seven = 7;
    int blank = 0;
    auto* reset = Make("32-bit|64-bit", &two, {20, 60});
    auto* kept = Make("32-bit|64-bit", &negative, {100, 60});
    auto* noMatch = Make("3/a|7/b", &seven, {20, 100});
    auto* empty = Make("", &blank, {100, 100});
    EXPECT_EQ(two, 0);
    EXPECT_EQ(negative, -1);
    EXPECT_EQ(seven, 0);  // compared with the count of items, not with the ids
    // No item has the current id: the box shows no label, like a box whose only label is empty.
    EXPECT_TRUE(SamePicture(kept, empty));
    EXPECT_TRUE(SamePicture(noMatch, empty));
    EXPECT_TRUE(PumpUntil([&] { return DarkestText(reset) == 0; }));  // "32-bit" in black
}

TEST_F(ComboBox, SkinDrawnWholeThenItsRightEndAtTheRightEdge) {
    int zero = 0;
    for (int width : {60, 110, 112}) {
        SCOPED_TRACE(width);
        auto* box = Make("", &zero, {20, 60}, width);  // an empty label: nothing over the skin
        const int shift = skin_.Width() - width;       // where the right end comes from
        EXPECT_TRUE(PumpUntil([&] {
            const auto pixels = Pixels(box);
            for (int y = 0; y < 17; ++y) {
                for (int x = 0; x < width; ++x) {
                    const int from = x < 10 ? x : x + shift;
                    if (skin_.Opaque(from, y) &&
                        pixels[static_cast<size_t>(y) * width + x] != skin_.At(from, y)) {
                        return false;
                    }
                }
            }
            return true;
        }));
        delete box;
    }
}

TEST_F(ComboBox, HoverOutlineFollowsThePointer) {
    auto ring = [&] {
        const auto pixels = Pixels(box_);
        for (int x = 0; x < 60; ++x) {
            if (pixels[x] != kLwWhite || pixels[16 * 60 + x] != kLwWhite) {
                return false;
            }
        }
        for (int y = 0; y < 17; ++y) {
            if (pixels[y * 60] != kLwWhite || pixels[y * 60 + 59] != kLwWhite) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(PumpUntil([&] { return !ring(); }));
    testsupport::MovePointer(box_->GetNativeWindow(), {30, 8});
    EXPECT_TRUE(PumpUntil(ring));
    EXPECT_TRUE(box_->IsHovered());
    testsupport::MovePointer(host_->GetNativeWindow(), {290, 190});
    EXPECT_TRUE(PumpUntil([&] { return !ring(); }));
}

TEST_F(ComboBox, ShowsTheCurrentLabelAndAnUnboundBoxStaysInactive) {
    int one = 1;
    auto* second = Make("32-bit|64-bit", &one, {20, 60});
    auto* unbound = Make("32-bit|64-bit", nullptr, {100, 60});
    EXPECT_TRUE(PumpUntil([&] { return DarkestText(box_) == 0; }));
    EXPECT_TRUE(PumpUntil([&] { return DarkestText(unbound) == 75; }));
    ASSERT_TRUE(PumpUntil([&] { return DarkestText(second) == 0; }));
    EXPECT_NE(Opaque(box_), Opaque(second));
    // Changed behind the box's back: shown at the next paint.
    value_ = 1;
    box_->Invalidate();
    EXPECT_TRUE(SamePicture(box_, second));
    EXPECT_TRUE(host_->changes.empty());

    // The unbound box opens no menu and shows no outline: its edges stay the skin's.
    testsupport::MovePointer(unbound->GetNativeWindow(), {30, 8});
    testsupport::Click(1);
    testsupport::PumpFor(150ms);
    EXPECT_FALSE(OpenMenuRect().has_value());
    EXPECT_FALSE(unbound->IsHovered());
    EXPECT_EQ(Opaque(unbound)[30], Opaque(second)[30]);
    EXPECT_NE(Opaque(unbound)[30], kLwWhite);
}

TEST_F(ComboBox, MouseOpensTheMenuAtTheCornerAndPicks) {
    int one = 1;
    auto* reference = Make("32-bit|64-bit", &one, {20, 60});
    ASSERT_TRUE(PickWithMenu(
        box_,
        {[&] {
             // At the box's corner, the current item ticked and the other not.
             const LwPoint corner = platform::ClientToScreen(box_->GetNativeWindow(), {});
             EXPECT_EQ(menu_->x, corner.x);
             EXPECT_EQ(menu_->y, corner.y);
             EXPECT_GT(testsupport::DarkPixels(CheckColumn(0, 2)), 0);
             EXPECT_EQ(testsupport::DarkPixels(CheckColumn(1, 2)), 0);
             testsupport::MovePointerToScreen({menu_->x + 30, menu_->y + menu_->height * 3 / 4});
             return true;
         },
         [&] {
             // The row under the pointer lights up, the other does not.
             const LwRect top{menu_->x + 2, menu_->y + 3, menu_->width - 4, 16};
             const LwRect bottom{top.x, menu_->Bottom() - 19, top.width, 16};
             return testsupport::SaturatedPixels(bottom) > 0 &&
                    testsupport::SaturatedPixels(top) == 0;
         },
         [] {
             testsupport::Click(1);
             return true;
         }}));
    EXPECT_EQ(value_, 1);
    ASSERT_EQ(host_->changes.size(), 2u);
    EXPECT_EQ(host_->changes[0].phase, 0);
    EXPECT_EQ(host_->changes[0].valueThen, 0);
    EXPECT_EQ(host_->changes[1].phase, 2);
    EXPECT_EQ(host_->changes[1].valueThen, 1);
    EXPECT_EQ(host_->changes[0].tag, 5);
    EXPECT_TRUE(SamePicture(box_, reference));
}

TEST_F(ComboBox, KeysPickAndTheCurrentItemStillNotifies) {
    ASSERT_TRUE(PickWithMenu(box_, {Key(XK_Down), Key(XK_Down), Key(XK_Return)}));
    EXPECT_EQ(value_, 1);
    ASSERT_TRUE(PickWithMenu(box_, {[&] {
                                        // Now the second item carries the tick.
                                        return testsupport::DarkPixels(CheckColumn(0, 2)) == 0 &&
                                               testsupport::DarkPixels(CheckColumn(1, 2)) > 0;
                                    },
                                    Key(XK_Up), Key(XK_Return)}));
    EXPECT_EQ(value_, 1);
    ASSERT_EQ(host_->changes.size(), 4u);  // twice per pick, the same item included
    EXPECT_EQ(host_->changes[2].phase, 0);
    EXPECT_EQ(host_->changes[3].phase, 2);
}

TEST_F(ComboBox, DismissingChangesNothingAndCallsNothing) {
    ASSERT_TRUE(PickWithMenu(box_, {Key(XK_Down), Key(XK_Escape)}));
    ASSERT_TRUE(PickWithMenu(box_, {[&] {
                                 testsupport::MovePointer(host_->GetNativeWindow(), {290, 190});
                                 testsupport::Click(1);
                                 return true;
                             }}));
    EXPECT_EQ(value_, 0);
    EXPECT_TRUE(host_->changes.empty());
}

TEST_F(ComboBox, BadItemStringsGiveADrawableBoxAndAWorkingMenu) {
    std::string many;
    for (int i = 0; i < 10000; ++i) {
        many += (i ? "|" : "") + std::to_string(i * 3) + "/item " + std::to_string(i);
    }
    int a = 0;
    int b = 0;
    int c = 0;
    int d = 0;
    auto* tenThousand = Make(many, &a, {20, 60});
    auto* huge = Make("99999999999/\xff\xfe broken|-99999999999/x", &b, {100, 60});
    auto* bars = Make("|", &c, {20, 100});
    auto* empty = Make("", &d, {100, 100});
    EXPECT_EQ(tenThousand->GetItems().size(), 10000u);
    EXPECT_EQ(bars->GetItems().size(), 2u);
    for (LwComboBox* box : {tenThousand, huge, bars, empty}) {
        // The drop button's dark section is drawn at the right edge of each.
        EXPECT_TRUE(PumpUntil([&] { return Pixels(box)[8 * 60 + 52].g < 120; }));
    }
    EXPECT_TRUE(SamePicture(bars, empty));
    ASSERT_TRUE(PickWithMenu(tenThousand, {[&] {
                                               EXPECT_LE(menu_->Bottom(),
                                                         platform::ScreenSize().height);
                                               return true;
                                           },
                                           Key(XK_End), Key(XK_Return)}));
    EXPECT_EQ(a, 9999 * 3);
    ASSERT_TRUE(PickWithMenu(huge, {Key(XK_Down), Key(XK_Return)}));
    EXPECT_EQ(b, INT_MAX);
}

}  // namespace

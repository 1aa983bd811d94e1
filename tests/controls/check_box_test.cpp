// The check box on the X server: the strip frame that follows the bound bool, the hover ring,
// the label area, toggling by real clicks between the two notifications, and the inert box.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "controls/LwCheckBox.h"
#include "draw/LwArtwork.h"
#include "hosted_test.h"
#include "platform/Bitmap.h"
#include "platform/Resources.h"
#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

namespace {

using namespace std::chrono_literals;

using testsupport::PumpUntil;
using testsupport::ReadPixel;
using testsupport::ReadPixels;

// A window that records the change notifications of its boxes.
class Host : public LwWindow {
  public:
    Host() : LwWindow(nullptr, LwPoint{60, 60}, LwSize{260, 120}, "check boxes", 0) {
        SetBackgroundColor(LwGrey(20));
    }
    void OnChange(int tag, LwControl* control, int phase) {
        changes.push_back({tag, control, phase, watched ? *watched : false});
    }
    struct Change {
        int tag;
        LwControl* control;
        int phase;
        bool valueThen;
    };
    std::vector<Change> changes;
    bool* watched = nullptr;
};

// The strip's pixels as decoded from the embedded PNG.
class Strip {
  public:
    Strip() {
        platform::ResourceBlock block;
        if (platform::FindResource(platform::kResourceTypeRcData, kLwCheckStripImageId, &block)) {
            if (auto bitmap = platform::Bitmap::DecodePng(block.data, block.size)) {
                pixels_ = bitmap->ArgbPixels();
            }
        }
    }
    LwColor At(int frame, int x, int y) const {
        const uint32_t p = pixels_.at(static_cast<size_t>(y) * 28 + frame * 14 + x);
        return LwColor{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255};
    }

  private:
    std::vector<uint32_t> pixels_;
};

class CheckBox : public HostedTest<Host> {
  protected:
    void AddControls() override {
        box_ = new LwCheckBox(host_.get(), LwPoint{20, 20}, &value_, "Custom");
        box_->changeTarget = host_.get();
        box_->changeHandler = AsChangeHandler(&Host::OnChange);
        box_->changeTag = 1;
        host_->watched = &value_;
    }

    // Every pixel of the 14 × 14 box is the strip frame's, except the outer ring when it is
    // white for the hover outline.
    bool ShowsFrame(LwCheckBox* box, int frame, bool ring) {
        return PumpUntil([&] {
            const auto pixels = ReadPixels(box->GetNativeWindow(), LwRect{0, 0, 14, 14});
            for (int y = 0; y < 14; ++y) {
                for (int x = 0; x < 14; ++x) {
                    const bool onRing = x == 0 || y == 0 || x == 13 || y == 13;
                    const LwColor want = ring && onRing ? kLwWhite : strip_.At(frame, x, y);
                    if (pixels[static_cast<size_t>(y) * 14 + x] != want) {
                        return false;
                    }
                }
            }
            return true;
        });
    }

    void ClickAt(LwCheckBox* box, LwPoint at, int times = 1) {
        testsupport::MovePointer(box->GetNativeWindow(), at);
        testsupport::Click(1, times);
    }

    Strip strip_;
    bool value_ = false;
    LwCheckBox* box_ = nullptr;
};

TEST_F(CheckBox, ClickTogglesOnceBetweenTheTwoNotifications) {
    ASSERT_TRUE(ShowsFrame(box_, 0, false));
    ClickAt(box_, {7, 7});
    ASSERT_TRUE(PumpUntil([&] { return host_->changes.size() == 2; }));
    EXPECT_TRUE(value_);
    EXPECT_EQ(host_->changes[0].phase, 0);
    EXPECT_FALSE(host_->changes[0].valueThen);
    EXPECT_EQ(host_->changes[1].phase, 2);
    EXPECT_TRUE(host_->changes[1].valueThen);
    for (const Host::Change& c : host_->changes) {
        EXPECT_EQ(c.tag, 1);
        EXPECT_EQ(c.control, static_cast<LwControl*>(box_));
    }
    EXPECT_TRUE(ShowsFrame(box_, 1, true));

    // The far end of the label is part of the box.
    ClickAt(box_, {199, 7});
    ASSERT_TRUE(PumpUntil([&] { return host_->changes.size() == 4; }));
    EXPECT_FALSE(value_);
    testsupport::MovePointer(host_->GetNativeWindow(), {250, 110});
    EXPECT_TRUE(ShowsFrame(box_, 0, false));
}

TEST_F(CheckBox, DoubleClickTogglesOnceAndAPressTakenAwayNotAtAll) {
    ClickAt(box_, {7, 7}, 2);
    ASSERT_TRUE(PumpUntil([&] { return value_; }));
    testsupport::MovePointer(box_->GetNativeWindow(), {150, 7});
    testsupport::PressButton(1);
    testsupport::MovePointer(host_->GetNativeWindow(), {250, 110});
    testsupport::ReleaseButton(1);
    testsupport::PumpFor(150ms);
    EXPECT_TRUE(value_);
    EXPECT_EQ(host_->changes.size(), 2u);
}

TEST_F(CheckBox, HoverRingOverTheFrameAndTheLabelArea) {
    platform::NativeWindow w = box_->GetNativeWindow();
    ASSERT_TRUE(ShowsFrame(box_, 0, false));
    // The label: grey 200 text from x = 20 on the background, nothing else in the label area.
    EXPECT_TRUE(PumpUntil([&] {
        int brightest = 0;
        for (LwColor c : ReadPixels(w, LwRect{20, 0, 180, 14})) {
            brightest = std::max<int>(brightest, c.r);
        }
        return brightest == 200;
    }));
    for (LwRect plain : {LwRect{14, 0, 6, 14}, LwRect{150, 0, 50, 14}}) {
        for (LwColor c : ReadPixels(w, plain)) {
            EXPECT_EQ(c, LwGrey(45));
        }
    }
    testsupport::MovePointer(w, {100, 7});  // over the label
    EXPECT_TRUE(ShowsFrame(box_, 0, true));
    EXPECT_TRUE(box_->IsHovered());
    testsupport::MovePointer(host_->GetNativeWindow(), {250, 110});
    EXPECT_TRUE(ShowsFrame(box_, 0, false));
    EXPECT_FALSE(box_->IsHovered());
}

TEST_F(CheckBox, OwnersChangeAndHalfBindingsToggleSilently) {
    value_ = true;  // changed behind the box's back: shown at the next paint
    box_->Invalidate();
    EXPECT_TRUE(ShowsFrame(box_, 1, false));
    box_->changeTarget = nullptr;
    ClickAt(box_, {7, 7});
    ASSERT_TRUE(PumpUntil([&] { return !value_; }));
    box_->changeTarget = host_.get();
    box_->changeHandler = nullptr;
    ClickAt(box_, {100, 7});  // away from the first click, which would make a double click
    ASSERT_TRUE(PumpUntil([&] { return value_; }));
    EXPECT_TRUE(host_->changes.empty());
}

TEST_F(CheckBox, NullPointerIsInertAndTheLabelDecidesTheSize) {
    auto* inert = new LwCheckBox(host_.get(), LwPoint{20, 60}, nullptr, "Inert");
    inert->changeTarget = host_.get();
    inert->changeHandler = AsChangeHandler(&Host::OnChange);
    ASSERT_TRUE(ShowsFrame(inert, 0, false));
    ClickAt(inert, {7, 7});
    testsupport::PumpFor(150ms);
    EXPECT_TRUE(host_->changes.empty());
    EXPECT_FALSE(inert->IsHovered());
    EXPECT_TRUE(ShowsFrame(inert, 0, false));  // no ring while the pointer is over it

    bool other = false;
    auto* bare = new LwCheckBox(host_.get(), LwPoint{120, 60}, &other, nullptr);
    auto* empty = new LwCheckBox(host_.get(), LwPoint{20, 90}, &other, "");
    EXPECT_EQ(bare->GetSize(), (LwSize{14, 14}));
    EXPECT_EQ(empty->GetSize(), (LwSize{200, 14}));
    EXPECT_TRUE(ShowsFrame(bare, 0, false));
    EXPECT_TRUE(ShowsFrame(empty, 0, false));
}

}  // namespace

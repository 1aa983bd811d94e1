// A canvas over part of a window: drawing keeps client coordinates, and only that part of the
// window changes.
#include <gtest/gtest.h>

#include "recorder.h"

namespace platformtest {
namespace {

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rect kPart{50, 30, 60, 40};

class PartialCanvas : public PlatformTest {};

TEST_F(PartialCanvas, PaintsOnlyItsPartAtClientCoordinates) {
    Recorder log;
    log.handler = [](NativeWindow w, MessageId m, WParam, LParam) -> std::optional<MessageResult> {
        if (m != kWmPaint) {
            return std::nullopt;
        }
        {
            Canvas whole(w);
            whole.FillRect({0, 0, 200, 120}, kWhite);
        }
        {
            Canvas part(w, kPart);
            EXPECT_EQ(part.GetSize(), (Size{60, 40}));
            part.FillRect({0, 0, 200, 120}, kRed);  // only the part is there to fill
            part.FillRect({100, 60, 30, 30}, kBlack);
            part.SetClip({0, 0, 55, 120});
            part.FillRect({0, 30, 200, 3}, kBlack);
        }
        ValidateWindow(w);
        return 0;
    };
    NativeWindow window = MakeTopLevel(log, {100, 100}, {200, 120});
    ShowWindow(window, true);
    ASSERT_TRUE(testsupport::WaitUntilViewable(window));
    InvalidateWindow(window, false);
    UpdateWindow(window);
    testsupport::Settle();

    const auto pixels = testsupport::ReadPixels(window, {0, 0, 200, 120});
    ASSERT_EQ(pixels.size(), 200u * 120u);
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 200; ++x) {
            Rgba expected = kWhite;
            const bool inPart =
                x >= kPart.x && x < kPart.Right() && y >= kPart.y && y < kPart.Bottom();
            if (inPart) {
                const bool square = x >= 100 && y >= 60;
                const bool clippedBar = x < 55 && y >= 30 && y < 33;
                expected = square || clippedBar ? kBlack : kRed;
            }
            ASSERT_TRUE(SameColor(pixels[size_t(y) * 200 + x], expected)) << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace platformtest

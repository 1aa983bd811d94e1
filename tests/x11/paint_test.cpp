// Update regions and paint messages: idle-time paint, UpdateWindow, exposure, and repaint
// requests from another thread.
#include <gtest/gtest.h>

#include <thread>

#include "recorder.h"

namespace platformtest {
namespace {

using namespace std::chrono_literals;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::ReadPixel;

class UpdateRegion : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        top = MakeTopLevel(topLog, {100, 100}, {300, 200});
        child = MakeChild(childLog, top, {50, 40}, {80, 60});
        ShowAndSettle(top, topLog);
        topLog.paints = childLog.paints = 0;
    }
    Recorder topLog;
    Recorder childLog;
    NativeWindow top = nullptr;
    NativeWindow child = nullptr;
};

TEST_F(UpdateRegion, InvalidationPaintsOnceWhenTheQueueIsIdle) {
    Rect update;
    EXPECT_FALSE(GetUpdateRect(top, &update));
    InvalidateWindow(top, false);
    InvalidateWindow(top, false);
    EXPECT_TRUE(GetUpdateRect(top, &update));
    EXPECT_EQ(update, (Rect{0, 0, 300, 200}));
    EXPECT_EQ(topLog.paints, 0);  // nothing paints before the loop runs
    PumpFor(100ms);
    EXPECT_EQ(topLog.paints, 1);
    EXPECT_EQ(childLog.paints, 0);
    EXPECT_FALSE(GetUpdateRect(top, &update));

    InvalidateWindow(top, true);
    PumpFor(100ms);
    EXPECT_EQ(topLog.paints, 2);
    EXPECT_EQ(childLog.paints, 1);
}

TEST_F(UpdateRegion, InputComesBeforePaint) {
    testsupport::MovePointer(top, {10, 10});  // the motion event is queued by now
    InvalidateWindow(top, true);
    Message first;
    ASSERT_TRUE(PeekMessage(first));
    EXPECT_EQ(first.message, kWmMouseMove);
    DispatchMessage(first);
    Message second;
    ASSERT_TRUE(PeekMessage(second));
    EXPECT_EQ(second.message, kWmPaint);
    EXPECT_EQ(second.window, top);  // the parent before its child
    DispatchMessage(second);
    Message third;
    ASSERT_TRUE(PeekMessage(third));
    EXPECT_EQ(third.message, kWmPaint);
    EXPECT_EQ(third.window, child);
    DispatchMessage(third);
}

TEST_F(UpdateRegion, UpdateWindowPaintsAtOnceOnlyWhenSomethingIsInvalid) {
    UpdateWindow(top);
    EXPECT_EQ(topLog.paints, 0);
    InvalidateWindow(top, true);
    UpdateWindow(top);
    EXPECT_EQ(topLog.paints, 1);
    EXPECT_EQ(childLog.paints, 1);
    Rect update;
    EXPECT_FALSE(GetUpdateRect(child, &update));
    // A hidden window does not paint, and keeps its region for later.
    ShowWindow(child, false);
    InvalidateWindow(child, false);
    UpdateWindow(child);
    PumpFor(50ms);
    EXPECT_EQ(childLog.paints, 1);
    ShowWindow(child, true);
    ASSERT_TRUE(PumpUntil([&] { return childLog.paints == 2; }));
}

TEST_F(UpdateRegion, ExposureAddsToTheRegion) {
    testsupport::ExposeArea(child, {10, 5, 20, 15});
    ASSERT_TRUE(PumpUntil([&] { return childLog.paints == 1; }));
    ASSERT_NE(childLog.Last(kWmPaint), nullptr);
    // The painted colour is on screen where the region was.
    childLog.paintColor = {200, 10, 10, 255};
    childLog.handler = [](NativeWindow w, MessageId m, WParam,
                          LParam) -> std::optional<MessageResult> {
        if (m == kWmPaint) {
            Rect update;
            EXPECT_TRUE(GetUpdateRect(w, &update));
            EXPECT_EQ(update, (Rect{10, 5, 20, 15}));
        }
        return std::nullopt;
    };
    testsupport::ExposeArea(child, {10, 5, 20, 15});
    ASSERT_TRUE(PumpUntil([&] { return childLog.paints == 2; }));
    EXPECT_TRUE(SameColor(ReadPixel(child, 15, 10), {200, 10, 10, 255}));
}

TEST_F(UpdateRegion, APaintReachesTheScreenOnlyInsideItsRegion) {
    childLog.paintColor = {200, 10, 10, 255};
    testsupport::ExposeArea(child, {10, 5, 20, 15});
    ASSERT_TRUE(PumpUntil([&] { return childLog.paints == 1; }));
    EXPECT_TRUE(SameColor(ReadPixel(child, 29, 19), {200, 10, 10, 255}));
    EXPECT_TRUE(SameColor(ReadPixel(child, 30, 19), {40, 80, 120, 255}));
    EXPECT_TRUE(SameColor(ReadPixel(child, 5, 30), {40, 80, 120, 255}));
}

TEST_F(UpdateRegion, ExposureMadeBeforeAWholeRepaintIsNotPaintedAgain) {
    testsupport::ExposeArea(child, {10, 5, 20, 15});
    ReadPixel(child, 0, 0);  // a round trip: the server has made the exposure by now
    InvalidateWindow(child, false);
    UpdateWindow(child);
    EXPECT_EQ(childLog.paints, 1);
    PumpFor(100ms);
    EXPECT_EQ(childLog.paints, 1);
    testsupport::ExposeArea(child, {10, 5, 20, 15});  // a later one is
    EXPECT_TRUE(PumpUntil([&] { return childLog.paints == 2; }));
}

TEST_F(UpdateRegion, UnpaintedRegionIsValidatedByTheDefaultProcedure) {
    int paintMessages = 0;
    topLog.handler = [&](NativeWindow w, MessageId m, WParam wp,
                         LParam lp) -> std::optional<MessageResult> {
        if (m == kWmPaint) {
            ++paintMessages;
            return DefaultWindowProc(w, m, wp, lp);
        }
        return std::nullopt;
    };
    InvalidateWindow(top, false);
    PumpFor(100ms);
    EXPECT_EQ(paintMessages, 1);
}

TEST_F(UpdateRegion, ChildrenPaintOverTheirParent) {
    topLog.paintColor = {0, 0, 255, 255};
    childLog.paintColor = {255, 255, 0, 255};
    InvalidateWindow(top, true);
    PumpFor(100ms);
    EXPECT_TRUE(SameColor(ReadPixel(top, 49, 39), topLog.paintColor));
    EXPECT_TRUE(SameColor(ReadPixel(top, 50, 40), childLog.paintColor));
    EXPECT_TRUE(SameColor(ReadPixel(top, 129, 99), childLog.paintColor));
    EXPECT_TRUE(SameColor(ReadPixel(top, 130, 100), topLog.paintColor));
}

class CrossThreadRepaint : public UpdateRegion {};

TEST_F(CrossThreadRepaint, RequestFromAWorkerRepaintsTheWindowAndItsChildren) {
    std::thread worker([w = top] { PostRepaintFromAnyThread(w); });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return topLog.paints == 1 && childLog.paints == 1; }));
}

TEST_F(CrossThreadRepaint, WakesALoopThatIsWaiting) {
    std::thread worker([w = child] { PostRepaintFromAnyThread(w); });
    const bool woke = WaitMessageFor(5000);
    worker.join();
    EXPECT_TRUE(woke);
    ASSERT_TRUE(PumpUntil([&] { return childLog.paints == 1; }));
}

TEST_F(CrossThreadRepaint, RequestForAWindowThatIsGoneDoesNothing) {
    DestroyWindow(child);
    PumpFor(50ms);  // the parent repaints where the child was
    topLog.paints = 0;
    std::thread worker([w = child] {
        for (int i = 0; i < 100; ++i) {
            PostRepaintFromAnyThread(w);
        }
    });
    worker.join();
    PumpFor(100ms);
    EXPECT_EQ(childLog.paints, 0);
    EXPECT_EQ(topLog.paints, 0);
}

}  // namespace
}  // namespace platformtest

// Timers on the loop thread: ids, tags, restarts, stops from handlers, owners that go away.
#include <gtest/gtest.h>

#include <functional>

#include "gui_fixture.h"
#include "platform/Events.h"
#include "toolkit/LwTimer.h"
#include "toolkit/LwTimerTable.h"

namespace {

using namespace std::chrono_literals;
using testsupport::PumpFor;
using testsupport::PumpUntil;

// A panel with two timers (tags 1 and 2) and a hook to run on each tick.
class TickingPanel : public RecordingPanel {
  public:
    explicit TickingPanel(LwObject* parent) : RecordingPanel(parent, {0, 0}, {20, 20}) {}

    LwTimer first{this, 1};
    LwTimer second{this, 2};
    std::function<void(int)> onTick;

  protected:
    void OnTimer(int tag) override {
        RecordingPanel::OnTimer(tag);
        if (onTick) {
            onTick(tag);
        }
    }
};

class Timers : public ShownWindowTest {
  protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ASSERT_EQ(LwTimerTable::Process().Count(), 0u) << "a timer outlived its test";
    }
};

TEST_F(Timers, IdsAreTheSmallestFreeAndTicksCarryTheTag) {
    auto* a = new TickingPanel(window.get());
    auto* b = new TickingPanel(window.get());
    a->first.Start(1000);
    a->second.Start(1000);
    b->first.Start(1000);
    EXPECT_EQ(a->first.GetId(), 1u);
    EXPECT_EQ(a->second.GetId(), 2u);
    EXPECT_EQ(b->first.GetId(), 3u);
    a->second.Stop();
    b->second.Start(15);
    EXPECT_EQ(b->second.GetId(), 2u);
    ASSERT_TRUE(PumpUntil([&] { return b->log.ticks.size() >= 2; }));
    EXPECT_EQ(b->log.ticks[0], 2);  // the tag, not the id 2 it happens to share
    EXPECT_TRUE(a->log.ticks.empty());
    delete a;
    delete b;
    EXPECT_EQ(LwTimerTable::Process().Count(), 0u);
}

TEST_F(Timers, StartingARunningTimerKeepsItsIntervalAndId) {
    auto* panel = new TickingPanel(window.get());
    panel->first.Start(40);
    panel->first.Start(10);
    EXPECT_EQ(panel->first.GetInterval(), 40u);
    EXPECT_EQ(panel->first.GetId(), 1u);
    EXPECT_EQ(LwTimerTable::Process().Count(), 1u);
    panel->first.Stop();
    panel->first.Stop();
    EXPECT_FALSE(panel->first.IsRunning());
    EXPECT_EQ(LwTimerTable::Process().Count(), 0u);
}

TEST_F(Timers, AHandlerCanStopItsOwnTimerAndAnother) {
    auto* panel = new TickingPanel(window.get());
    // Both are due together; whichever ticks first stops both, so the other's tick never runs.
    panel->onTick = [&](int) {
        panel->first.Stop();
        panel->second.Stop();
    };
    panel->first.Start(20);
    panel->second.Start(20);
    ASSERT_TRUE(PumpUntil([&] { return !panel->log.ticks.empty(); }));
    PumpFor(100ms);
    EXPECT_EQ(panel->log.ticks.size(), 1u);
}

TEST_F(Timers, ATickTakenBeforeTheStopCallsNothing) {
    auto* panel = new TickingPanel(window.get());
    panel->first.Start(10);
    // Take the tick from the queue by hand, as a loop that has not dispatched it yet holds it.
    platform::Message tick;
    bool taken = false;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (!taken && std::chrono::steady_clock::now() < end) {
        platform::WaitMessageFor(20);
        platform::Message message;
        while (!taken && platform::PeekMessage(message)) {
            if (message.message == platform::kWmTimer) {
                tick = message;
                taken = true;
            } else {
                platform::DispatchMessage(message);
            }
        }
    }
    ASSERT_TRUE(taken);
    panel->first.Stop();
    platform::DispatchMessage(tick);
    EXPECT_TRUE(panel->log.ticks.empty());
}

TEST_F(Timers, DeletingTheOwnerStopsItsTimers) {
    auto* panel = new TickingPanel(window.get());
    panel->first.Start(10);
    panel->second.Start(10);
    ASSERT_TRUE(PumpUntil([&] { return !panel->log.ticks.empty(); }));
    delete panel;
    EXPECT_EQ(LwTimerTable::Process().Count(), 0u);
    PumpFor(60ms);  // a tick for the gone owner would crash here (and fail under ASan)
}

// A top-level window with a running timer, owned by the fixture's window.
class TickingDialog : public LwWindow {
  public:
    explicit TickingDialog(LwObject* parent) : LwWindow(parent, {0, 0}, {50, 50}, "dialog", 0) {}
    LwTimer timer{this, 5};
    int ticks = 0;

  protected:
    void OnTimer(int) override { ++ticks; }
};

TEST_F(Timers, AWindowWhoseOwnerIsDestroyedStopsItsRunningTimer) {
    auto* dialog = new TickingDialog(window.get());
    dialog->timer.Start(10);
    ASSERT_TRUE(PumpUntil([&] { return dialog->ticks > 0; }));
    window.reset();  // deletes the dialog with it
    EXPECT_EQ(LwTimerTable::Process().Count(), 0u);
    PumpFor(60ms);
}

TEST_F(Timers, AClosedOwnersTimerFallsSilentAndStillStopsCleanly) {
    auto* dialog = new TickingDialog(window.get());
    dialog->timer.Start(10);
    ASSERT_TRUE(PumpUntil([&] { return dialog->ticks > 0; }));
    window->Close();  // the platform takes the dialog's native window (and its timer) along
    const int ticks = dialog->ticks;
    PumpFor(60ms);
    EXPECT_EQ(dialog->ticks, ticks);
    EXPECT_TRUE(dialog->timer.IsRunning());
    delete dialog;
    EXPECT_EQ(LwTimerTable::Process().Count(), 0u);
}

}  // namespace

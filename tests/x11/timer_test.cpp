// Timers: periodic ticks on the loop thread, replacing, killing, and timers of destroyed windows.
#include <gtest/gtest.h>

#include "recorder.h"

namespace platformtest {
namespace {

using namespace std::chrono_literals;
using testsupport::PumpFor;
using testsupport::PumpUntil;

struct Tick {
    NativeWindow window;
    unsigned id;
};
std::vector<Tick> ticks;

void OnTick(NativeWindow window, MessageId message, unsigned id, uint32_t) {
    EXPECT_EQ(message, kWmTimer);
    ticks.push_back({window, id});
}

int TicksOf(unsigned id) {
    int n = 0;
    for (const Tick& t : ticks) {
        n += t.id == id;
    }
    return n;
}

class Timers : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ticks.clear();
        if (!IsSkipped()) {
            window = MakeTopLevel(log);
        }
    }
    Recorder log;
    NativeWindow window = nullptr;
};

TEST_F(Timers, TickPeriodicallyWithTheirIdAndWindow) {
    ASSERT_TRUE(SetTimer(window, 3, 20, OnTick));
    ASSERT_TRUE(SetTimer(window, 4, 20, OnTick));
    ASSERT_TRUE(PumpUntil([] { return TicksOf(3) >= 3 && TicksOf(4) >= 3; }));
    EXPECT_EQ(ticks.front().window, window);
    KillTimer(window, 3);
    KillTimer(window, 4);
}

TEST_F(Timers, NeverTickFasterThanTheirPeriod) {
    ASSERT_TRUE(SetTimer(window, 1, 100, OnTick));
    const auto start = std::chrono::steady_clock::now();
    PumpFor(350ms);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LE(TicksOf(1), elapsed / 100ms);
    EXPECT_GE(TicksOf(1), 1);
}

TEST_F(Timers, AKilledTimerDropsItsTakenTick) {
    ASSERT_TRUE(SetTimer(window, 9, 10, OnTick));
    // Take messages without dispatching the tick.
    Message tick{};
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (tick.message != kWmTimer && std::chrono::steady_clock::now() < deadline) {
        WaitMessageFor(50);
        Message m;
        while (tick.message != kWmTimer && PeekMessage(m)) {
            if (m.message == kWmTimer) {
                tick = m;
            } else {
                DispatchMessage(m);
            }
        }
    }
    ASSERT_EQ(tick.message, kWmTimer);
    KillTimer(window, 9);
    DispatchMessage(tick);
    PumpFor(50ms);
    EXPECT_EQ(TicksOf(9), 0);
}

TEST_F(Timers, SettingAnIdAgainReplacesItsPeriod) {
    ASSERT_TRUE(SetTimer(window, 2, 10, OnTick));
    ASSERT_TRUE(SetTimer(window, 2, 60000, OnTick));
    PumpFor(100ms);
    EXPECT_EQ(TicksOf(2), 0);
    KillTimer(window, 2);
}

TEST_F(Timers, DieWithTheirWindow) {
    NativeWindow c = MakeChild(log, window, {0, 0}, {10, 10});
    ASSERT_TRUE(SetTimer(c, 5, 10, OnTick));
    DestroyWindow(window);
    PumpFor(100ms);
    EXPECT_EQ(TicksOf(5), 0);
}

TEST_F(Timers, WithoutCallbackTheWindowProcedureGetsTheTick) {
    ASSERT_TRUE(SetTimer(window, 6, 10, nullptr));
    ASSERT_TRUE(PumpUntil([&] { return log.Count(kWmTimer) >= 2; }));
    EXPECT_EQ(log.Last(kWmTimer)->wParam, 6u);
    KillTimer(window, 6);
}

}  // namespace
}  // namespace platformtest

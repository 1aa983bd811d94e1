// Times destroying a window with two children early in the run and again after twenty thousand
// windows have come and gone, and prints the ratio: a destroy must not cost more the more
// windows came before it. Needs an X display ($DISPLAY).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/Events.h"
#include "platform/Window.h"

namespace {

using Clock = std::chrono::steady_clock;

platform::MessageResult Quiet(platform::NativeWindow, platform::MessageId, platform::WParam,
                              platform::LParam) {
    return 0;
}

void PumpPending() {
    platform::Message message;
    while (platform::PeekMessage(message)) {
        platform::DispatchMessage(message);
    }
}

// Median microseconds of DestroyWindow over `rounds` windows made just before.
double MedianDestroyMicros(int rounds) {
    std::vector<double> micros;
    for (int i = 0; i < rounds; ++i) {
        platform::NativeWindow top =
            platform::CreateTopLevelWindow(nullptr, {10, 10}, {200, 100}, "bench", {}, &Quiet);
        platform::CreateChildWindow(top, {0, 0}, {50, 50}, &Quiet, true);
        platform::CreateChildWindow(top, {60, 0}, {50, 50}, &Quiet, true);
        const auto start = Clock::now();
        platform::DestroyWindow(top);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (i % 100 == 0) {
            PumpPending();
        }
    }
    std::sort(micros.begin(), micros.end());
    return micros[micros.size() / 2];
}

}  // namespace

int main() {
    if (platform::ScreenSize().width == 0) {
        std::fprintf(stderr, "needs an X display ($DISPLAY)\n");
        return 1;
    }
    PumpPending();
    const double early = MedianDestroyMicros(500);
    MedianDestroyMicros(20000);
    const double late = MedianDestroyMicros(500);
    std::printf("destroy: %.1f us early, %.1f us after 20000 windows; ratio %.2f\n", early, late,
                late / early);
    return 0;
}

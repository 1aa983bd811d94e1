// Smooth scrolling of a 3,000-pixel text panel by wheel notches, against a full repaint of the
// same viewport (bar, viewport and content invalidated and painted), in the same run. A step is
// the work of one 10-pixel move and the repaint of what it changed, idle waits between timer
// ticks left out: the bar's ticks are given to it directly. Needs an X display ($DISPLAY).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/LwScrollBar.h"
#include "controls/LwTextPanel.h"
#include "platform/Events.h"
#include "platform/x11/x11_access.h"
#include "toolkit/LwWindow.h"

// X headers last: their macros must not reach the toolkit's headers.
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kContentHeight = 3000;
constexpr LwSize kViewport{400, 300};
constexpr int kNotch = 840;  // one wheel notch: 70 pixels in seven smooth steps
constexpr int kStepsPerNotch = 7;
constexpr int kRounds = 120;

int gContentPaints = 0;

// Counts its paints: a step that repaints the content more than once is doing too much.
class CountedText : public LwTextPanel {
  public:
    using LwTextPanel::LwTextPanel;

  protected:
    void OnPaint() override {
        ++gContentPaints;
        LwTextPanel::OnPaint();
    }
};

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Licence-like prose, about enough lines to fill the content panel.
std::string Prose() {
    std::string text;
    for (int paragraph = 0; paragraph < 30; ++paragraph) {
        for (int sentence = 0; sentence < 6; ++sentence) {
            text +=
                "The licensee may install the plug-in on the machines it owns, provided "
                "that every copy keeps this notice. ";
        }
        text += "\n\n";
    }
    return text;
}

// Dispatches everything that is waiting, paints included, until a round trip to the server
// brings nothing new; returns the time spent dispatching and syncing.
Clock::duration Settle(Display* display) {
    Clock::duration busy{};
    for (bool handled = true; handled;) {
        const auto start = Clock::now();
        XSync(display, False);
        handled = false;
        platform::Message message;
        while (platform::PeekMessage(message)) {
            platform::DispatchMessage(message);
            handled = true;
        }
        busy += Clock::now() - start;
    }
    return busy;
}

// A bar whose smooth-scrolling ticks the benchmark gives itself, back to back, so that a notch
// is timed in one piece rather than around the 10-ms waits between real ticks.
class TickedBar : public LwScrollBar {
  public:
    using LwScrollBar::LwScrollBar;
    void Tick() { OnTimer(2); }
};

// One notch: the first step runs inside ScrollBy, the other six on the following ticks.
Clock::duration ScrollOneNotch(Display* display, TickedBar& bar, int direction) {
    const auto start = Clock::now();
    bar.ScrollBy(direction * kNotch);
    while (bar.IsSmoothScrolling()) {
        bar.Tick();
    }
    return (Clock::now() - start) + Settle(display);
}

Clock::duration RepaintViewport(Display* display, LwObject& viewport, LwScrollBar& bar) {
    const auto start = Clock::now();
    viewport.Invalidate();
    bar.Invalidate();
    return (Clock::now() - start) + Settle(display);
}

}  // namespace

int main() {
    Display* display = platform::x11::TestDisplay();
    if (!display) {
        std::fprintf(stderr, "scroll: no X display (set DISPLAY)\n");
        return 1;
    }
    LwWindow window(nullptr, {40, 40}, {kViewport.width + 17, kViewport.height}, "bench", 0);
    window.SetBackgroundColor(LwGrey(30));
    auto* viewport = new LwPanel(&window, {0, 0}, kViewport);
    viewport->SetBackgroundColor(LwGrey(45));
    auto* content = new CountedText(viewport, {0, 0}, {kViewport.width, 100});
    content->SetBackgroundColor(LwGrey(45));
    content->SetText(Prose());
    content->SetSize({kViewport.width, kContentHeight});
    auto* bar = new TickedBar(&window, content, {kViewport.width, 0});
    window.Show(true);
    Settle(display);

    int stepPaints = 0;
    std::vector<double> step;
    std::vector<double> repaint;
    int direction = -1;  // down the text first
    for (int round = 0; round < kRounds + 10; ++round) {
        const int top = content->GetPosition().y;
        const int next = top + direction * kNotch / 12;
        if (next < kViewport.height - kContentHeight || next > 0) {
            direction = -direction;  // turn at either end, so every step moves the content
        }
        const int paintsBefore = gContentPaints;
        const double notchMs = Millis(ScrollOneNotch(display, *bar, direction));
        stepPaints += gContentPaints - paintsBefore;
        const double repaintMs = Millis(RepaintViewport(display, *viewport, *bar));
        if (round >= 10) {  // the first rounds warm caches and buffers
            step.push_back(notchMs / kStepsPerNotch);
            repaint.push_back(repaintMs);
        }
    }
    const double stepMedian = Median(step);
    const double repaintMedian = Median(repaint);
    std::printf("content %d px in a %d x %d viewport, %d notches of %d steps\n", kContentHeight,
                kViewport.width, kViewport.height, kRounds, kStepsPerNotch);
    std::printf("content paints per step: %.2f\n",
                double(stepPaints) / ((kRounds + 10) * kStepsPerNotch));
    std::printf("smooth step (move, repaint of what changed, sync): median %.3f ms\n", stepMedian);
    std::printf("full repaint of the viewport (bar, viewport, content): median %.3f ms\n",
                repaintMedian);
    std::printf("ratio step / full repaint: %.2f (goal <= 1)\n", stepMedian / repaintMedian);
    return 0;
}

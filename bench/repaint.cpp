// Full repaint of a window with 30 painted panels, against plain XPutImage of the same pixel area
// to the same windows: the floor for getting those pixels to the server.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "draw/LwPaintContext.h"
#include "platform/Events.h"
#include "platform/x11/x11_access.h"
#include "toolkit/LwPanel.h"
#include "toolkit/LwWindow.h"

// X headers last: their macros must not reach the toolkit's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using Clock = std::chrono::steady_clock;

int gPaints = 0;

// What a typical control draws: a filled outlined box, a gradient band and a few lines.
class TilePanel : public LwPanel {
  public:
    using LwPanel::LwPanel;

  protected:
    void OnPaint() override {
        ++gPaints;
        const LwSize size = GetSize();
        LwPaintContext context(this);
        context.SetFillColor(LwGrey(45));
        context.SetLineColor(LwGrey(90), 1.0f);
        context.DrawRect(LwRect{0, 0, size.width, size.height});
        context.FillGradient(LwRect{4, 4, size.width - 8, size.height / 2}, LwGrey(80), LwGrey(50));
        for (int y = size.height / 2 + 8; y < size.height - 4; y += 6) {
            context.DrawLine(6, y, size.width - 7, y);
        }
    }
};

class BenchWindow : public LwWindow {
  public:
    using LwWindow::LwWindow;

  protected:
    void OnPaint() override {
        ++gPaints;
        LwWindow::OnPaint();
    }
};

// Dispatches until `count` paints have happened; false after two seconds without them.
bool PumpUntilPainted(int count) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    platform::Message message;
    while (gPaints < count) {
        if (platform::PeekMessage(message)) {
            platform::DispatchMessage(message);
        } else if (Clock::now() > deadline) {
            return false;
        } else {
            platform::WaitMessageFor(20);
        }
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    Display* display = platform::x11::TestDisplay();
    if (!display) {
        std::fprintf(stderr, "repaint: no X display (set DISPLAY)\n");
        return 1;
    }
    constexpr int kColumns = 6;
    constexpr int kRows = 5;
    constexpr LwSize kTile{100, 80};
    BenchWindow window(nullptr, {40, 40}, {kColumns * kTile.width, kRows * kTile.height}, "bench",
                       0);
    window.SetBackgroundColor(LwGrey(30));
    std::vector<LwObject*> painted{&window};
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            painted.push_back(new TilePanel(&window, {column * kTile.width, row * kTile.height},
                                            {kTile.width - 2, kTile.height - 2}));
        }
    }
    window.Show(true);
    PumpUntilPainted(gPaints + 1);
    XSync(display, False);

    // The floor: the same client-sized pictures, put to the same windows.
    std::vector<std::vector<uint32_t>> pictures;
    for (LwObject* object : painted) {
        const LwSize s = object->GetSize();
        pictures.emplace_back(size_t(s.width) * s.height, 0x2D2D2Du);
    }
    GC gc = XCreateGC(display, DefaultRootWindow(display), 0, nullptr);
    auto putAll = [&] {
        for (size_t i = 0; i < painted.size(); ++i) {
            const LwSize s = painted[i]->GetSize();
            XImage* image = XCreateImage(display, DefaultVisual(display, DefaultScreen(display)),
                                         DefaultDepth(display, DefaultScreen(display)), ZPixmap, 0,
                                         reinterpret_cast<char*>(pictures[i].data()), s.width,
                                         s.height, 32, s.width * 4);
            XPutImage(display, platform::x11::TestWindowId(painted[i]->GetNativeWindow()), gc,
                      image, 0, 0, 0, 0, s.width, s.height);
            image->data = nullptr;  // the picture is ours
            XDestroyImage(image);
        }
        XSync(display, False);
    };

    constexpr int kRounds = 200;
    std::vector<double> repaint;
    std::vector<double> floor;
    long pixels = 0;
    for (LwObject* object : painted) {
        pixels += long(object->GetSize().width) * object->GetSize().height;
    }
    for (int round = 0; round < kRounds + 10; ++round) {
        auto start = Clock::now();
        const int target = gPaints + static_cast<int>(painted.size());
        window.Invalidate();
        if (!PumpUntilPainted(target)) {
            std::fprintf(stderr, "repaint: only %d of %d paints arrived\n",
                         gPaints - (target - static_cast<int>(painted.size())),
                         static_cast<int>(painted.size()));
            return 1;
        }
        XSync(display, False);
        const double repaintMs =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        start = Clock::now();
        putAll();
        const double floorMs =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (round >= 10) {  // the first rounds warm caches and buffers
            repaint.push_back(repaintMs);
            floor.push_back(floorMs);
        }
    }
    XFreeGC(display, gc);
    const double repaintMedian = Median(repaint);
    const double floorMedian = Median(floor);
    std::printf("windows: %zu (1 window + 30 panels), pixels per repaint: %ld, rounds: %d\n",
                painted.size(), pixels, kRounds);
    std::printf("full repaint (invalidate, paint all, copy, sync): median %.3f ms\n",
                repaintMedian);
    std::printf("XPutImage floor (same area, same windows, sync):   median %.3f ms\n", floorMedian);
    std::printf("ratio repaint / floor: %.2f (goal <= 2)\n", repaintMedian / floorMedian);
    return 0;
}

// A window procedure that records what it receives, optionally answering through a handler.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Events.h"
#include "platform/Timer.h"
#include "platform/Window.h"
#include "support/XTestHarness.h"

namespace platformtest {

using namespace platform;

struct Recorded {
    NativeWindow window;
    MessageId message;
    WParam wParam;
    LParam lParam;
};

class Recorder {
  public:
    using Handler =
        std::function<std::optional<MessageResult>(NativeWindow, MessageId, WParam, LParam)>;
    std::vector<Recorded> log;
    Handler handler;
    // Each paint fills the client area with this colour and validates the window.
    Rgba paintColor{40, 80, 120, 255};
    int paints = 0;

    static MessageResult Proc(NativeWindow w, MessageId m, WParam wp, LParam lp) {
        auto* self = static_cast<Recorder*>(GetUserData(w));
        if (!self) {
            return DefaultWindowProc(w, m, wp, lp);
        }
        self->log.push_back({w, m, wp, lp});
        if (self->handler) {
            if (std::optional<MessageResult> result = self->handler(w, m, wp, lp)) {
                return *result;
            }
        }
        if (m == kWmPaint) {
            ++self->paints;
            {
                Canvas canvas(w);
                canvas.FillRect({0, 0, canvas.GetSize().width, canvas.GetSize().height},
                                self->paintColor);
            }
            ValidateWindow(w);
            return 0;
        }
        return DefaultWindowProc(w, m, wp, lp);
    }

    int Count(MessageId m) const {
        int n = 0;
        for (const Recorded& r : log) {
            n += r.message == m;
        }
        return n;
    }
    const Recorded* Last(MessageId m) const {
        for (auto it = log.rbegin(); it != log.rend(); ++it) {
            if (it->message == m) {
                return &*it;
            }
        }
        return nullptr;
    }
    // The messages in the given set, in arrival order.
    std::vector<MessageId> Sequence(std::initializer_list<MessageId> wanted) const {
        std::vector<MessageId> out;
        for (const Recorded& r : log) {
            for (MessageId m : wanted) {
                if (r.message == m) {
                    out.push_back(m);
                }
            }
        }
        return out;
    }
};

// The shared shape of the platform tests: windows whose procedures record into Recorders.
class PlatformTest : public testsupport::GuiTest {
  protected:
    NativeWindow MakeTopLevel(Recorder& recorder, Point at = {100, 100}, Size size = {300, 200},
                              TopLevelStyle style = {}, NativeWindow owner = nullptr) {
        NativeWindow w =
            Track(CreateTopLevelWindow(owner, at, size, "test", style, Recorder::Proc));
        SetUserData(w, &recorder);
        return w;
    }
    NativeWindow MakeChild(Recorder& recorder, NativeWindow parent, Point at, Size size,
                           bool doubleClicks = true) {
        NativeWindow w = CreateChildWindow(parent, at, size, Recorder::Proc, doubleClicks);
        SetUserData(w, &recorder);
        return w;
    }
    // Shows the window and waits until it is on screen, painted and active.
    void ShowAndSettle(NativeWindow w, Recorder& recorder) {
        ShowWindow(w, true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(w));
        ASSERT_TRUE(testsupport::PumpUntil([&] {
            Rect update;
            return recorder.paints > 0 && !GetUpdateRect(w, &update) && GetFocus() != nullptr;
        }));
        testsupport::PumpFor(std::chrono::milliseconds(50));
    }
};

inline bool SameColor(Rgba a, Rgba b, int tolerance = 0) {
    auto near = [tolerance](int x, int y) { return x - y <= tolerance && y - x <= tolerance; };
    return near(a.r, b.r) && near(a.g, b.g) && near(a.b, b.b);
}

}  // namespace platformtest

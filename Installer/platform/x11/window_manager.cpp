// What the window manager is told and tells: Motif and size hints, and the extents of the frames
// it draws, learnt without ever stalling window creation on a manager that does not answer.
#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <unordered_map>

#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

// Motif hint bits, as window managers read them.
constexpr long kMwmHintsFunctions = 1;
constexpr long kMwmHintsDecorations = 2;
constexpr long kMwmFuncResize = 2;
constexpr long kMwmFuncMove = 4;
constexpr long kMwmFuncMinimize = 8;
constexpr long kMwmFuncMaximize = 16;
constexpr long kMwmFuncClose = 32;
constexpr long kMwmDecorBorder = 2;
constexpr long kMwmDecorResizeH = 4;
constexpr long kMwmDecorTitle = 8;
constexpr long kMwmDecorMenu = 16;
constexpr long kMwmDecorMinimize = 32;
constexpr long kMwmDecorMaximize = 64;

// The longest a new window waits for the window manager's answer, and only while no earlier
// window of its kind has told what frame the manager draws and no request has gone unanswered.
constexpr auto kFrameExtentsWait = std::chrono::milliseconds(200);

Bool IsFrameExtentsNotify(Display*, XEvent* event, XPointer arg) {
    const auto* xid = reinterpret_cast<const ::Window*>(arg);
    return event->type == PropertyNotify && event->xproperty.window == *xid &&
           event->xproperty.atom == x11::GetAtoms().netFrameExtents;
}

// What the window manager has told about its frames: the extents it gave each kind of window,
// and whether it answers requests at all.
struct FrameKnowledge {
    std::unordered_map<int, std::array<int, 4>> extentsByKind;
    bool managerAnswers = true;
};

FrameKnowledge& Frames() {
    static FrameKnowledge knowledge;
    return knowledge;
}

// Managers decorate by the style and by whether the window is a dialog of another.
int FrameKind(NativeWindow w) {
    const TopLevelStyle& style = w->style;
    return (style.borderless ? 1 : 0) | (style.resizable ? 2 : 0) | (style.minimizeBox ? 4 : 0) |
           (w->owner ? 8 : 0);
}

}  // namespace

namespace backend {

void SetMotifHints(NativeWindow w) {
    Display* display = x11::Connection();
    long hints[5] = {kMwmHintsFunctions | kMwmHintsDecorations, 0, 0, 0, 0};
    const TopLevelStyle& style = w->style;
    hints[1] = kMwmFuncMove | kMwmFuncClose;
    if (!style.borderless) {
        hints[2] = kMwmDecorBorder | kMwmDecorTitle | kMwmDecorMenu;
        if (style.minimizeBox) {
            hints[1] |= kMwmFuncMinimize;
            hints[2] |= kMwmDecorMinimize;
        }
        if (style.resizable) {
            hints[1] |= kMwmFuncResize | kMwmFuncMaximize;
            hints[2] |= kMwmDecorResizeH | kMwmDecorMaximize;
        }
    }
    const Atom atom = x11::GetAtoms().motifWmHints;
    XChangeProperty(display, w->xid, atom, atom, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(hints), 5);
}

// Asks the window manager what frame it will draw, so that outer sizes are right before the
// window is first shown. A window of a kind seen before takes that kind's extents at once; the
// answer, when it comes, corrects them (see ApplyFrameExtents). Other events stay queued.
void LearnFrameExtents(NativeWindow w) {
    Display* display = x11::Connection();
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = w->xid;
    request.xclient.message_type = x11::GetAtoms().netRequestFrameExtents;
    request.xclient.format = 32;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(display);
    FrameKnowledge& frames = Frames();
    auto known = frames.extentsByKind.find(FrameKind(w));
    if (known != frames.extentsByKind.end()) {
        const std::array<int, 4>& e = known->second;
        w->frameLeft = e[0];
        w->frameRight = e[1];
        w->frameTop = e[2];
        w->frameBottom = e[3];
        ApplySizeHints(w);
        return;
    }
    if (!frames.managerAnswers) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kFrameExtentsWait;
    XEvent event;
    ::Window xid = w->xid;
    while (
        !XCheckIfEvent(display, &event, IsFrameExtentsNotify, reinterpret_cast<XPointer>(&xid))) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            // Such a manager is never waited for again; a late answer still counts.
            frames.managerAnswers = false;
            return;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
    ApplyFrameExtents(w);
}

void ApplyFrameExtents(NativeWindow w) {
    unsigned long extents[4] = {0, 0, 0, 0};
    const bool answered =
        x11::ReadCardinals(w->xid, x11::GetAtoms().netFrameExtents, extents, 4) == 4;
    if (!answered) {
        std::fill_n(extents, 4, 0ul);
    }
    w->frameLeft = static_cast<int>(extents[0]);
    w->frameRight = static_cast<int>(extents[1]);
    w->frameTop = static_cast<int>(extents[2]);
    w->frameBottom = static_cast<int>(extents[3]);
    if (answered) {
        FrameKnowledge& frames = Frames();
        frames.managerAnswers = true;
        frames.extentsByKind[FrameKind(w)] = {w->frameLeft, w->frameRight, w->frameTop,
                                              w->frameBottom};
    }
    ApplySizeHints(w);
}

void ApplySizeHints(NativeWindow w) {
    Display* display = x11::Connection();
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) {
        return;
    }
    hints->flags = USPosition | PPosition | PMinSize | PWinGravity;
    hints->x = w->position.x;
    hints->y = w->position.y;
    // North-west gravity: the position asked for is the frame's outer corner.
    hints->win_gravity = NorthWestGravity;
    if (w->style.resizable) {
        hints->min_width = std::max(1, w->minimumOuter.width - w->frameLeft - w->frameRight);
        hints->min_height = std::max(1, w->minimumOuter.height - w->frameTop - w->frameBottom);
    } else {
        hints->flags |= PMaxSize;
        hints->min_width = hints->max_width = static_cast<int>(ServerExtent(w->clientSize.width));
        hints->min_height = hints->max_height =
            static_cast<int>(ServerExtent(w->clientSize.height));
    }
    XSetWMNormalHints(display, w->xid, hints);
    XFree(hints);
}

}  // namespace backend
}  // namespace platform

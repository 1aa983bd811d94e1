// The popup menu on Xlib: an override-redirect window holding the pointer and keyboard grabs,
// run in a loop of its own that keeps painting the program's windows and running its timers
// while it drops their input.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/Events.h"
#include "platform/Menu.h"
#include "platform/menu_accessible.h"
#include "platform/x11/menu_layout.h"
#include "platform/x11/menu_painter.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
using menu::MenuLayout;

// A window manager may hold the pointer for a moment (a click it passes on to the window), so
// the grabs are tried again for a while.
constexpr auto kGrabPatience = std::chrono::milliseconds(1000);
constexpr int kGrabRetryMs = 10;
constexpr auto kAutoScrollPeriod = std::chrono::milliseconds(50);
// A release picks an item only after a press inside the menu, or once the pointer has moved this
// far since the menu opened: the release that ends the opening click picks nothing.
constexpr int kDragThreshold = 4;
constexpr int kWheelRows = 3;

bool IsInputMessage(MessageId message) {
    return (message >= kWmMouseFirst && message <= kWmMouseLast) || message == kWmKeyDown ||
           message == kWmKeyUp || message == kWmChar;
}

Cursor ArrowCursor(Display* display) {
    static const Cursor arrow = XCreateFontCursor(display, XC_left_ptr);
    return arrow;
}

class MenuSession;

std::vector<MenuSession*>& Sessions() {
    static std::vector<MenuSession*> sessions;  // loop thread only; nested menus stack up
    return sessions;
}

void DispatchToSession(XEvent& event);

class MenuSession {
  public:
    MenuSession(const std::vector<MenuItem>& items, NativeWindow owner)
        : items_(items), owner_(owner), layout_(0, 0, 0, 0) {}

    ~MenuSession() {
        if (record_) {
            NotifyAccessible(record_, AccessibleEvent::kHidden);
            // For screen readers the menu's highlight had the focus; it goes back where it was.
            highlight_ = -1;
            NotifyAccessible(platform::GetFocus(), AccessibleEvent::kFocus);
        }
        auto& sessions = Sessions();
        sessions.erase(std::remove(sessions.begin(), sessions.end(), this), sessions.end());
        if (sessions.empty()) {
            backend::SetUnrecordedEventHandler(nullptr);
        }
        Display* display = x11::Connection();
        backend::FreePaintOnlyRecord(record_);
        if (display && xid_) {
            XUngrabPointer(display, CurrentTime);
            XUngrabKeyboard(display, CurrentTime);
            XDestroyWindow(display, xid_);
            XFlush(display);
        }
    }

    MenuSession(const MenuSession&) = delete;
    MenuSession& operator=(const MenuSession&) = delete;

    unsigned Run(Point at) {
        if (!Open(at)) {
            return 0;
        }
        if (!Grab()) {
            return 0;  // without the pointer a click elsewhere could never close the menu
        }
        while (!finished_) {
            Step(-1);
        }
        return result_;
    }

    ::Window Xid() const { return xid_; }

    void HandleEvent(XEvent& event) {
        switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0) {
                    Paint();
                }
                break;
            case MotionNotify:
                PointerAt(Local(event.xmotion.x, event.xmotion.y),
                          {event.xmotion.x_root, event.xmotion.y_root});
                break;
            case ButtonPress:
                Pressed(event.xbutton);
                break;
            case ButtonRelease:
                Released(event.xbutton);
                break;
            case KeyPress:
                KeyPressed(event.xkey);
                break;
            case UnmapNotify:
            case DestroyNotify:
                Finish(0);  // taken away by somebody else
                break;
            default:
                break;
        }
    }

  private:
    // The menu is laid out in logical units, at its owner's scale.
    Point Local(int x, int y) const { return grid_.ToLogical({x, y}); }

    bool Open(Point at) {
        Display* display = x11::Connection();
        if (!display || items_.empty() || !backend::Alive(owner_)) {
            return false;
        }
        ReleaseCapture();  // the menu takes the pointer from whoever had it
        const Rect area =
            Intersect(WorkAreaNearest(owner_), {0, 0, ScreenSize().width, ScreenSize().height});
        layout_ = MenuLayout(static_cast<int>(items_.size()),
                             painter_.ContentWidth(items_, area.width), area.width, area.height);
        const Rect placed = menu::PlaceMenu(at, layout_.WindowSize(), area);
        grid_ = PixelGrid(backend::Grid(owner_).Scale(), {});
        const Rect pixels = grid_.ToPixels(placed);

        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.save_under = True;
        attributes.background_pixmap = None;  // painted whole at every exposure
        attributes.cursor = ArrowCursor(display);
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                PointerMotionMask | KeyPressMask | StructureNotifyMask;
        const ::Window xid = XCreateWindow(
            display, DefaultRootWindow(display), pixels.x, pixels.y,
            static_cast<unsigned>(pixels.width), static_cast<unsigned>(pixels.height), 0,
            CopyFromParent, InputOutput, CopyFromParent,
            CWOverrideRedirect | CWSaveUnder | CWBackPixmap | CWCursor | CWEventMask, &attributes);
        if (!xid) {
            return false;
        }
        DescribeWindow(display, xid);
        // A record of its own, only for painting: it is not routed, so the window's events come
        // here rather than to the program's windows.
        xid_ = xid;
        record_ = backend::NewPaintOnlyRecord(xid);
        record_->topLevel = true;
        record_->shown = true;
        record_->viewable = true;
        record_->position = {pixels.x, pixels.y};
        record_->clientSize = {pixels.width, pixels.height};
        record_->scale = grid_.Scale();
        record_->logicalPosition = {placed.x, placed.y};
        record_->logicalSize = layout_.WindowSize();
        // Screen readers read the menu and pick its items through this procedure.
        record_->proc = &MenuSession::Procedure;
        record_->userData = this;
        Sessions().push_back(this);
        backend::SetUnrecordedEventHandler(&DispatchToSession);
        XMapRaised(display, xid);
        Paint();
        NotifyAccessible(record_, AccessibleEvent::kShown);
        ::Window root = 0;
        ::Window child = 0;
        int x = 0;
        int y = 0;
        unsigned buttons = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &openedAt_.x,
                      &openedAt_.y, &x, &y, &buttons);
        return true;
    }

    // Class and type, so that compositors and tests know the window for a menu; transient for
    // the owner's window, as desktop menus are.
    void DescribeWindow(Display* display, ::Window xid) {
        XClassHint classHint{const_cast<char*>("kestrel-menu"), const_cast<char*>("Kestrel")};
        XSetClassHint(display, xid, &classHint);
        static const Atom popupMenu = XInternAtom(display, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
        XChangeProperty(display, xid, x11::GetAtoms().netWmWindowType, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&popupMenu), 1);
        XSetTransientForHint(display, xid, backend::TopLevelOf(owner_)->xid);
    }

    bool Grab() {
        Display* display = x11::Connection();
        const auto deadline = Clock::now() + kGrabPatience;
        bool pointer = false;
        bool keyboard = false;
        for (;;) {
            if (!pointer) {
                pointer = XGrabPointer(display, xid_, False,
                                       ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                       GrabModeAsync, GrabModeAsync, None, ArrowCursor(display),
                                       CurrentTime) == GrabSuccess;
            }
            if (!keyboard) {
                keyboard = XGrabKeyboard(display, xid_, False, GrabModeAsync, GrabModeAsync,
                                         CurrentTime) == GrabSuccess;
            }
            if ((pointer && keyboard) || finished_) {
                return pointer;
            }
            if (Clock::now() >= deadline) {
                return pointer;  // keys are a comfort; the mouse alone still works the menu
            }
            Step(kGrabRetryMs);
        }
    }

    // One turn of the loop: dispatch one waiting message that is not input, or wait for
    // something to arrive (at most `maxWaitMs` when not negative).
    void Step(int maxWaitMs) {
        Message message;
        if (PeekMessage(message)) {
            if (!IsInputMessage(message.message)) {
                DispatchMessage(message);
            }
        } else if (!finished_) {
            Wait(maxWaitMs);
        }
        if (!IsWindow(owner_)) {
            Finish(0);
        }
        AutoScroll();
    }

    void Wait(int maxWaitMs) {
        Display* display = x11::Connection();
        if (XEventsQueued(display, QueuedAfterFlush) > 0) {
            return;
        }
        long waitMs = maxWaitMs;
        auto shorten = [&waitMs](long ms) {
            if (ms >= 0 && (waitMs < 0 || ms < waitMs)) {
                waitMs = ms;
            }
        };
        shorten(backend::MsUntilNextTimer());
        if (scrollDirection_ != 0) {
            shorten(std::max<long>(
                0,
                std::chrono::ceil<std::chrono::milliseconds>(nextScroll_ - Clock::now()).count()));
        }
        std::vector<pollfd> fds = {{ConnectionNumber(display), POLLIN, 0},
                                   {x11::WakeFd(), POLLIN, 0}};
        // Screen readers keep being answered while the menu is open.
        int glibPriority = 0;
        backend::AddAccessibilityPoll(fds, waitMs, glibPriority);
        poll(fds.data(), fds.size(), static_cast<int>(std::min<long>(waitMs, 1 << 30)));
        backend::DispatchAccessibilityPoll(std::span(fds).subspan(2), glibPriority);
        if (fds[1].revents & POLLIN) {
            x11::ClearWake();  // the next PeekMessage takes the requests
        }
    }

    static MessageResult Procedure(NativeWindow window, MessageId message, WParam wParam,
                                   LParam lParam) {
        auto* session = static_cast<MenuSession*>(window->userData);
        switch (message) {
            case kWmGetAccessibleInfo:
                *reinterpret_cast<AccessibleInfo*>(lParam) =
                    DescribeMenu(session->items_, session->highlight_);
                return 0;
            case kWmAccessibleAction:
                if (const unsigned command = PickedMenuCommand(session->items_, wParam, lParam)) {
                    session->Finish(command);
                }
                return 0;
            default:
                return DefaultWindowProc(window, message, wParam, lParam);
        }
    }

    void Finish(unsigned command) {
        if (!finished_) {
            finished_ = true;
            result_ = command;
        }
    }

    void PointerAt(Point local, Point root) {
        lastPointer_ = local;
        NoteMove(root);
        const MenuLayout::Hit hit = layout_.HitTest(local);
        const int direction = hit.part == MenuLayout::Part::kUpArrow     ? -1
                              : hit.part == MenuLayout::Part::kDownArrow ? 1
                                                                         : 0;
        if (direction != scrollDirection_) {
            scrollDirection_ = direction;
            nextScroll_ = Clock::now() + kAutoScrollPeriod;
        }
        SetHighlight(hit.part == MenuLayout::Part::kRow ? hit.index : -1);
    }

    void NoteMove(Point root) {
        if (std::abs(root.x - openedAt_.x) > kDragThreshold ||
            std::abs(root.y - openedAt_.y) > kDragThreshold) {
            moved_ = true;
        }
    }

    void Pressed(const XButtonEvent& e) {
        if (e.button == Button4 || e.button == Button5) {
            if (layout_.ScrollBy(e.button == Button4 ? -kWheelRows : kWheelRows)) {
                Paint();
                PointerAt(lastPointer_, {e.x_root, e.y_root});
            }
            return;
        }
        if (e.button > Button3) {
            return;  // horizontal wheels and extra buttons
        }
        if (layout_.HitTest(Local(e.x, e.y)).part == MenuLayout::Part::kOutside) {
            Finish(0);
            return;
        }
        pressedInside_ = true;
        PointerAt(Local(e.x, e.y), {e.x_root, e.y_root});
    }

    void Released(const XButtonEvent& e) {
        if (e.button != Button1) {
            return;
        }
        NoteMove({e.x_root, e.y_root});  // the release may come before any motion is reported
        if (!pressedInside_ && !moved_) {
            return;
        }
        const MenuLayout::Hit hit = layout_.HitTest(Local(e.x, e.y));
        if (hit.part == MenuLayout::Part::kRow) {
            Finish(items_[static_cast<size_t>(hit.index)].command);
        } else if (hit.part == MenuLayout::Part::kOutside) {
            Finish(0);  // dragged away from the menu and let go
        }
    }

    void KeyPressed(XKeyEvent& e) {
        const int count = layout_.Count();
        const int current = highlight_;
        switch (XLookupKeysym(&e, 0)) {
            case XK_Escape:
                Finish(0);
                break;
            case XK_Return:
            case XK_KP_Enter:
                Finish(current >= 0 ? items_[static_cast<size_t>(current)].command : 0);
                break;
            case XK_Up:
            case XK_KP_Up:
                KeyTo(current < 0 ? count - 1 : (current + count - 1) % count);
                break;
            case XK_Down:
            case XK_KP_Down:
                KeyTo(current < 0 ? 0 : (current + 1) % count);
                break;
            case XK_Home:
            case XK_KP_Home:
                KeyTo(0);
                break;
            case XK_End:
            case XK_KP_End:
                KeyTo(count - 1);
                break;
            case XK_Page_Up:
            case XK_KP_Page_Up:
                KeyTo(std::max(0, current - layout_.VisibleRows()));
                break;
            case XK_Page_Down:
            case XK_KP_Page_Down:
                KeyTo(std::min(count - 1, std::max(current, 0) + layout_.VisibleRows()));
                break;
            default:
                break;
        }
    }

    void KeyTo(int index) {
        if (layout_.MakeVisible(index) && index == highlight_) {
            Paint();
        }
        SetHighlight(index);
    }

    // Keys and the pointer move the highlight alike; screen readers follow it as the focus.
    void SetHighlight(int index) {
        if (index != highlight_) {
            highlight_ = index;
            Paint();
            NotifyAccessible(record_, AccessibleEvent::kFocus);
        }
    }

    void Paint() { painter_.Paint(record_, layout_, items_, highlight_); }

    void AutoScroll() {
        if (scrollDirection_ == 0 || finished_ || Clock::now() < nextScroll_) {
            return;
        }
        nextScroll_ = Clock::now() + kAutoScrollPeriod;
        if (layout_.ScrollBy(scrollDirection_)) {
            Paint();
        }
    }

    const std::vector<MenuItem>& items_;
    NativeWindow owner_;
    menu::MenuPainter painter_;
    MenuLayout layout_;
    PixelGrid grid_;
    ::Window xid_ = 0;
    NativeWindow record_;
    Point openedAt_;  // the pointer on the screen when the menu opened
    Point lastPointer_{-1, -1};
    int highlight_ = -1;
    int scrollDirection_ = 0;  // while the pointer rests on a scroll arrow
    Clock::time_point nextScroll_;
    bool pressedInside_ = false;
    bool moved_ = false;
    bool finished_ = false;
    unsigned result_ = 0;
};

void DispatchToSession(XEvent& event) {
    for (MenuSession* session : Sessions()) {
        if (session->Xid() == event.xany.window) {
            session->HandleEvent(event);
            return;
        }
    }
}

}  // namespace

unsigned RunPopupMenu(const std::vector<MenuItem>& items, Point screen, NativeWindow owner) {
    MenuSession session(items, owner);
    return session.Run(screen);
}

}  // namespace platform

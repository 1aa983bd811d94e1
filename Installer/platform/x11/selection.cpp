// X selections, owned by one hidden window of our own so that a copy outlives the control it
// came from. Requests are answered with UTF8_STRING, STRING (Latin-1) or the list of TARGETS.
#include "platform/x11/selection.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <chrono>
#include <vector>

#include "platform/x11/x11_display.h"

namespace platform::backend {
namespace {

constexpr auto kAnswerWait = std::chrono::milliseconds(1000);

struct SelectionAtoms {
    Atom clipboard;
    Atom targets;
    Atom text;
    Atom plainUtf8;
    Atom incr;
    Atom transfer;  // the property on our window that owners write their answers to
};

const SelectionAtoms& Atoms() {
    static const SelectionAtoms atoms = [] {
        Display* display = x11::Connection();
        return SelectionAtoms{XInternAtom(display, "CLIPBOARD", False),
                              XInternAtom(display, "TARGETS", False),
                              XInternAtom(display, "TEXT", False),
                              XInternAtom(display, "text/plain;charset=utf-8", False),
                              XInternAtom(display, "INCR", False),
                              XInternAtom(display, "KESTREL_SELECTION", False)};
    }();
    return atoms;
}

struct OwnedSelections {
    ::Window owner = 0;
    bool ownsPrimary = false;
    bool ownsClipboard = false;
    std::string primary;
    std::string clipboard;
};

OwnedSelections& Owned() {
    static OwnedSelections owned;
    return owned;
}

::Window OwnerWindow(Display* display) {
    OwnedSelections& owned = Owned();
    if (!owned.owner) {
        owned.owner = XCreateWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0,
                                    InputOnly, CopyFromParent, 0, nullptr);
    }
    return owned.owner;
}

Atom SelectionAtom(SelectionKind kind) {
    return kind == SelectionKind::Primary ? XA_PRIMARY : Atoms().clipboard;
}

// Characters beyond Latin-1 become '?': STRING is Latin-1 by definition.
std::string ToLatin1(const std::string& utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
            ++i;
            continue;
        }
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (length == 2 && i + 1 < utf8.size()) {
            const unsigned value =
                ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            latin1 += value <= 0xFF ? static_cast<char>(value) : '?';
        } else {
            latin1 += '?';
        }
        i += length;
    }
    return latin1;
}

void Answer(Display* display, const XSelectionRequestEvent& request) {
    const SelectionAtoms& atoms = Atoms();
    const OwnedSelections& owned = Owned();
    const bool primary = request.selection == XA_PRIMARY;
    const bool ours = primary ? owned.ownsPrimary : owned.ownsClipboard;
    const std::string& text = primary ? owned.primary : owned.clipboard;
    const Atom utf8 = x11::GetAtoms().utf8String;
    // Clients from before ICCCM 2 name no property: the target stands for it.
    const Atom property = request.property != None ? request.property : request.target;
    // Larger answers would need the INCR protocol; a text control's text is far smaller.
    const size_t largest = static_cast<size_t>(XMaxRequestSize(display)) * 4 - 256;
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = None;
    if (ours && request.target == atoms.targets) {
        const Atom offered[] = {atoms.targets, utf8, atoms.plainUtf8, XA_STRING, atoms.text};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 5);
        reply.property = property;
    } else if (ours && (request.target == utf8 || request.target == atoms.plainUtf8 ||
                        request.target == atoms.text || request.target == XA_STRING)) {
        const std::string data = request.target == XA_STRING ? ToLatin1(text) : text;
        if (data.size() <= largest) {
            const Atom type = request.target == atoms.text ? utf8 : request.target;
            XChangeProperty(display, request.requestor, property, type, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(data.data()),
                            static_cast<int>(data.size()));
            reply.property = property;
        }
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(display);
}

struct NotifyFor {
    ::Window window;
    Atom selection;
};

Bool IsSelectionNotify(Display*, XEvent* event, XPointer arg) {
    const auto* wanted = reinterpret_cast<const NotifyFor*>(arg);
    return event->type == SelectionNotify && event->xselection.requestor == wanted->window &&
           event->xselection.selection == wanted->selection;
}

// Waits for the owner's answer; other events stay queued for the loop.
bool WaitForAnswer(Display* display, NotifyFor wanted, XEvent& answer) {
    const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
    XFlush(display);
    while (
        !XCheckIfEvent(display, &answer, IsSelectionNotify, reinterpret_cast<XPointer>(&wanted))) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
    return true;
}

}  // namespace

void OfferSelection(SelectionKind kind, std::string textUtf8) {
    Display* display = x11::Connection();
    if (!display) {
        return;
    }
    OwnedSelections& owned = Owned();
    const ::Window window = OwnerWindow(display);
    const Atom selection = SelectionAtom(kind);
    XSetSelectionOwner(display, selection, window, CurrentTime);
    const bool owns = XGetSelectionOwner(display, selection) == window;
    if (kind == SelectionKind::Primary) {
        owned.ownsPrimary = owns;
        owned.primary = std::move(textUtf8);
    } else {
        owned.ownsClipboard = owns;
        owned.clipboard = std::move(textUtf8);
    }
}

std::string ReadSelection(SelectionKind kind) {
    Display* display = x11::Connection();
    if (!display) {
        return {};
    }
    OwnedSelections& owned = Owned();
    const ::Window window = OwnerWindow(display);
    const Atom selection = SelectionAtom(kind);
    const ::Window owner = XGetSelectionOwner(display, selection);
    if (owner == None) {
        return {};
    }
    if (owner == window) {
        return kind == SelectionKind::Primary ? owned.primary : owned.clipboard;
    }
    const Atom utf8 = x11::GetAtoms().utf8String;
    XConvertSelection(display, selection, utf8, Atoms().transfer, window, CurrentTime);
    XEvent answer;
    if (!WaitForAnswer(display, {window, selection}, answer) ||
        answer.xselection.property == None) {
        return {};
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, Atoms().transfer, 0, 1 << 24, True, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data && format == 8 && (type == utf8 || type == XA_STRING)) {
        for (unsigned long i = 0; i < count; ++i) {
            const unsigned char c = data[i];
            if (type == XA_STRING && c >= 0x80) {  // Latin-1 to UTF-8
                text += static_cast<char>(0xC0 | (c >> 6));
                text += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                text += static_cast<char>(c);
            }
        }
    }
    if (data) {
        XFree(data);
    }
    return text;
}

bool TranslateSelectionEvent(const XEvent& event) {
    OwnedSelections& owned = Owned();
    if (!owned.owner || event.xany.window != owned.owner) {
        return false;
    }
    Display* display = x11::Connection();
    if (event.type == SelectionRequest) {
        Answer(display, event.xselectionrequest);
    } else if (event.type == SelectionClear) {
        const bool primary = event.xselectionclear.selection == XA_PRIMARY;
        (primary ? owned.ownsPrimary : owned.ownsClipboard) = false;
        (primary ? owned.primary : owned.clipboard).clear();
    }
    return true;
}

}  // namespace platform::backend

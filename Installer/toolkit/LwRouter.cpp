// Message routing from the native windows to the objects that own them.
#include "toolkit/LwRouter.h"

#include "platform/Events.h"
#include "toolkit/LwObject.h"
#include "toolkit/LwWindow.h"

namespace {

using platform::LParam;
using platform::MessageId;
using platform::NativeWindow;
using platform::WParam;

// Mouse messages whose code (offset from the first) the toolkit delivers. The extra buttons and
// the horizontal wheel would collide with the enter, leave and key codes, so they stay with the
// platform.
bool IsRoutedMouseMessage(MessageId message) {
    return message >= platform::kWmMouseFirst && message <= platform::kWmMouseWheel;
}

bool IsPreviewedMessage(MessageId message) {
    return IsRoutedMouseMessage(message) || message == platform::kWmKeyDown ||
           message == platform::kWmSysKeyDown || message == platform::kWmChar ||
           message == platform::kWmKeyUp || message == platform::kWmMouseLeave;
}

LwEventCode PreviewCode(MessageId message) {
    switch (message) {
        case platform::kWmKeyDown:
        case platform::kWmSysKeyDown:
            return kLwEventKeyDown;
        case platform::kWmChar:
            return kLwEventChar;
        case platform::kWmKeyUp:
            return kLwEventKeyUp;
        case platform::kWmMouseLeave:
            return kLwEventLeave;
        default:
            return static_cast<LwEventCode>(message - platform::kWmMouseFirst);
    }
}

LwObject* ObjectOf(NativeWindow window) {
    return static_cast<LwObject*>(platform::GetUserData(window));
}

}  // namespace

bool LwRouter::OfferToPreview(LwObject* object, MessageId message, WParam wParam) {
    LwInputEvent event;
    event.sender = object;
    event.code = PreviewCode(message);
    event.value =
        IsRoutedMouseMessage(message) ? 7 * platform::WheelDelta(wParam) : static_cast<int>(wParam);
    // Most recently registered first. A handler may change the list, hence the index checks.
    std::vector<LwObject*>& list = LwObject::InputPreviewList();
    for (size_t i = list.size(); i-- > 0 && event.propagate;) {
        if (i >= list.size()) {
            continue;
        }
        LwObject* preview = list[i];
        if (platform::IsWindowEnabled(preview->GetNativeWindow())) {
            preview->PreviewInput(event);
        }
    }
    return event.propagate;
}

bool LwRouter::PassesClickFilter(LwObject* object, int code) {
    // A capture (a drag) lets every button event through, wherever it lands.
    if (platform::GetCapture()) {
        return true;
    }
    switch (code) {
        case kLwEventLeftUp: {
            const bool wasPressed = object->pressed_;
            object->pressed_ = false;
            return wasPressed;
        }
        case kLwEventLeftDown:
            object->pressed_ = true;
            return true;
        case kLwEventLeave:
            object->pressed_ = false;
            return true;
        default:
            return true;
    }
}

int LwRouter::MousePath(LwObject* object, int code) {
    if (!PassesClickFilter(object, code)) {
        return 1;
    }
    object->OnMouseEvent(code);
    object->FireEvent(code);
    return 0;
}

void LwRouter::FocusChanged(LwObject* object, bool gained) {
    if (gained) {
        object->OnSetFocus();
        if (LwWindow* window = LwWindow::Containing(object); window && window != object) {
            window->focusedControl_ = object->GetNativeWindow();
        }
    } else {
        object->OnKillFocus();
    }
    if (gained) {
        object->NotifyAccessible(platform::AccessibleEvent::kFocus);
    }
    if (object->AcceptsFocus()) {
        object->Invalidate();
        object->FireEvent(gained ? kLwEventFocusIn : kLwEventFocusOut);
    }
}

bool LwRouter::KeyDown(LwObject* object, NativeWindow window, unsigned key) {
    if (!platform::FocusMarksShown(window)) {
        platform::ShowFocusMarks(window);
    }
    // Up to the top-level window and no further: a dialog's keys never reach its owner.
    for (LwObject* up = object; up; up = up->GetParent()) {
        if (up->OnKeyDown(key)) {
            return true;
        }
        if (dynamic_cast<LwWindow*>(up)) {
            break;
        }
    }
    return false;
}

int LwRouter::RouteMessage(LwObject* object, NativeWindow window, MessageId message, WParam wParam,
                           LParam lParam) {
    if (IsPreviewedMessage(message) && !OfferToPreview(object, message, wParam)) {
        return 0;
    }

    switch (message) {
        case platform::kWmSize: {
            platform::InvalidateWindow(window, false);
            const LwSize size = object->GetSize();
            if (object->layout_) {
                object->layout_->Apply(size);
            }
            object->ApplyAnchors(size);
            object->OnResize();
            return 0;
        }
        case platform::kWmActivate:
            if (wParam == platform::kWaActive && !object->activated_) {
                object->activated_ = true;
                object->OnFirstActivate();
            }
            return 1;
        case platform::kWmSetFocus:
        case platform::kWmKillFocus:
            FocusChanged(object, message == platform::kWmSetFocus);
            return 1;
        case platform::kWmKeyDown:
        case platform::kWmSysKeyDown:
            return KeyDown(object, window, static_cast<unsigned>(wParam)) ? 0 : 1;
        case platform::kWmUpdateUiState:
            object->Invalidate();
            return 1;
        case platform::kWmPaint: {
            LwRect update;
            if (platform::GetUpdateRect(window, &update)) {
                object->OnPaint();
                platform::ValidateWindow(window);
            }
            return 0;
        }
        case platform::kWmEraseBkgnd:
            return 0;
        case platform::kWmNotify: {
            const auto* header = reinterpret_cast<const platform::NotifyHeader*>(lParam);
            if (header && header->code == platform::kEnRequestResize) {
                if (LwObject* sender = ObjectOf(platform::NativeWindow::FromBits(header->from))) {
                    const auto* request =
                        reinterpret_cast<const platform::RequestResizeNotify*>(header);
                    sender->SetSize(LwSize{sender->GetSize().width, request->requested.Bottom()});
                }
            }
            return 1;
        }
        case platform::kWmGetDlgCode:
            return static_cast<int>(platform::kDlgcWantAllKeys);
        case platform::kWmGetAccessibleInfo:
            object->DescribeAccessible(*reinterpret_cast<platform::AccessibleInfo*>(lParam));
            return 0;
        case platform::kWmAccessibleAction:
            object->DoAccessibleAction(static_cast<unsigned>(wParam));
            return 0;
        case platform::kWmChar:
            return object->OnChar(static_cast<unsigned>(wParam)) ? 1 : 0;
        case platform::kWmMouseMove:
            if (!object->hover_) {
                // Enter comes before the first move, which then takes the whole path again.
                platform::SetArrowCursor(window);
                object->OnMouseEvent(kLwEventEnter);
                object->hover_ = true;
                platform::TrackMouseLeave(window);
                RouteMessage(object, window, message, wParam, lParam);
                return 1;
            }
            return MousePath(object, kLwEventMove);
        case platform::kWmLButtonDown:
            if (platform::GetFocus() != window) {
                platform::SetFocus(window);
            }
            return MousePath(object, kLwEventLeftDown);
        case platform::kWmCaptureChanged:
            object->OnCaptureChanged();
            return 0;
        case platform::kWmMouseLeave:
            object->hover_ = false;
            PassesClickFilter(object, kLwEventLeave);
            object->OnMouseEvent(kLwEventLeave);
            return 1;
        default:
            if (IsRoutedMouseMessage(message)) {
                return MousePath(object, static_cast<int>(message - platform::kWmMouseFirst));
            }
            return 1;
    }
}

platform::MessageResult LwRouter::TopLevelWindowProc(NativeWindow window, MessageId message,
                                                     WParam wParam, LParam lParam) {
    auto* object = static_cast<LwWindow*>(ObjectOf(window));
    if (!object) {
        return platform::DefaultWindowProc(window, message, wParam, lParam);
    }
    switch (message) {
        case platform::kWmClose:
            // The close box never closes by itself: the window decides.
            if (object->CanClose()) {
                object->modalResult_ = 1;
                object->Close();
            }
            return 0;
        case platform::kWmEraseBkgnd:
            return 1;
        case platform::kWmActivate: {
            const int result = RouteMessage(object, window, message, wParam, lParam);
            platform::DefaultWindowProc(window, message, wParam, lParam);
            // The platform may have given the keyboard to the window itself.
            if (wParam != platform::kWaInactive) {
                object->RestoreFocus();
            }
            return result == 1 ? 0 : result;
        }
        default: {
            int result = RouteMessage(object, window, message, wParam, lParam);
            if (result == 1) {
                result = 0;
            }
            return result | platform::DefaultWindowProc(window, message, wParam, lParam);
        }
    }
}

platform::MessageResult LwRouter::PanelWindowProc(NativeWindow window, MessageId message,
                                                  WParam wParam, LParam lParam) {
    LwObject* object = ObjectOf(window);
    if (!object) {
        return platform::DefaultWindowProc(window, message, wParam, lParam);
    }
    int result = RouteMessage(object, window, message, wParam, lParam);
    if (result == 0 && message == platform::kWmMouseWheel) {
        return 0;
    }
    if (result == 1) {
        result = 0;
    }
    return result | platform::DefaultWindowProc(window, message, wParam, lParam);
}

platform::MessageResult LwRouter::NativeControlProc(LwObject* object, platform::WindowProc previous,
                                                    NativeWindow window, MessageId message,
                                                    WParam wParam, LParam lParam) {
    if (!object || !previous) {
        return platform::DefaultWindowProc(window, message, wParam, lParam);
    }
    if (message == platform::kWmChar) {
        if (RouteMessage(object, window, message, wParam, lParam) == 0) {
            return 0;
        }
        return previous(window, message, wParam, lParam);
    }
    const platform::MessageResult result = previous(window, message, wParam, lParam);
    if (message == platform::kWmMouseLeave) {
        platform::SetArrowCursor(window);
    }
    if (RouteMessage(object, window, message, wParam, lParam) == 0) {
        return 0;
    }
    if (message == platform::kWmGetDlgCode &&
        (wParam == platform::kVkTab || wParam == platform::kVkReturn ||
         wParam == platform::kVkEscape || wParam == platform::kVkOemPeriod)) {
        return result | platform::kDlgcWantAllKeys;
    }
    return result;
}

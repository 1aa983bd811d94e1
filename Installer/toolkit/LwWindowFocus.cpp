// Keyboard focus inside a top-level window: the remembered control, the focus order and Tab.
#include <algorithm>

#include "platform/Messages.h"
#include "toolkit/LwWindow.h"

namespace {

// Shown and enabled up to the top-level window: a hidden page hides its controls, and a
// disabled owner its whole tree.
bool CanTakeKeyboard(LwObject* object) {
    for (LwObject* up = object; up; up = up->GetParent()) {
        if (!platform::IsWindowEnabled(up->GetNativeWindow())) {
            return false;
        }
        if (dynamic_cast<LwWindow*>(up)) {
            break;
        }
    }
    return platform::IsWindowVisible(object->GetNativeWindow());
}

void CollectFocusable(LwObject* object, std::vector<LwObject*>& out) {
    for (LwObject* child : object->GetChildren()) {
        if (dynamic_cast<LwWindow*>(child) || child->IsDestroyed()) {
            continue;  // a dialog keeps its own order
        }
        if (child->AcceptsFocus() && CanTakeKeyboard(child)) {
            out.push_back(child);
        }
        CollectFocusable(child, out);
    }
}

}  // namespace

LwWindow* LwWindow::Containing(LwObject* object) {
    for (LwObject* up = object; up; up = up->GetParent()) {
        if (auto* window = dynamic_cast<LwWindow*>(up)) {
            return window;
        }
    }
    return nullptr;
}

std::vector<LwObject*> LwWindow::FocusOrder() {
    std::vector<LwObject*> order;
    CollectFocusable(this, order);
    const platform::NativeWindow self = GetNativeWindow();
    auto corner = [self](LwObject* object) {
        const LwPoint screen = platform::ClientToScreen(object->GetNativeWindow(), LwPoint{0, 0});
        return platform::ScreenToClient(self, screen);
    };
    std::stable_sort(order.begin(), order.end(), [&](LwObject* a, LwObject* b) {
        const LwPoint pa = corner(a);
        const LwPoint pb = corner(b);
        return pa.y != pb.y ? pa.y < pb.y : pa.x < pb.x;
    });
    return order;
}

void LwWindow::MoveFocus(bool backwards) {
    const std::vector<LwObject*> order = FocusOrder();
    if (order.empty()) {
        return;
    }
    const platform::NativeWindow focus = platform::GetFocus();
    const auto at = std::find_if(order.begin(), order.end(), [focus](LwObject* object) {
        return object->GetNativeWindow() == focus;
    });
    const size_t count = order.size();
    size_t next = 0;
    if (at == order.end()) {
        next = backwards ? count - 1 : 0;
    } else {
        const size_t index = static_cast<size_t>(at - order.begin());
        next = backwards ? (index + count - 1) % count : (index + 1) % count;
    }
    order[next]->Focus();
}

bool LwWindow::OnKeyDown(unsigned key) {
    if (key != platform::kVkTab) {
        return false;
    }
    MoveFocus((platform::HeldKeyModifiers() & platform::kShiftHeld) != 0);
    return true;
}

LwObject* LwWindow::FocusedControl() const {
    if (!platform::IsWindow(focusedControl_)) {
        return nullptr;
    }
    auto* object = static_cast<LwObject*>(platform::GetUserData(focusedControl_));
    return object && Containing(object) == this && CanTakeKeyboard(object) ? object : nullptr;
}

void LwWindow::Focus() {
    if (LwObject* control = FocusedControl()) {
        control->Focus();
    } else {
        LwObject::Focus();
    }
}

void LwWindow::RestoreFocus() {
    LwObject* control = FocusedControl();
    if (control && platform::GetFocus() != control->GetNativeWindow()) {
        control->Focus();
    }
}

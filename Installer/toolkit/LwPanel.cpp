// Child panels: creation and geometry relative to the parent's client area.
#include "toolkit/LwPanel.h"

#include "platform/Events.h"
#include "toolkit/LwRouter.h"

LwPanel::LwPanel(LwObject* parent, const LwPoint& position, const LwSize& size) : LwObject(parent) {
    AttachNativeWindow(platform::CreateChildWindow(parent ? parent->GetNativeWindow() : nullptr,
                                                   position, size, &LwRouter::PanelWindowProc,
                                                   true));
    visible_ = true;
    if (!platform::IsWindowVisible(GetNativeWindow())) {
        platform::ShowWindow(GetNativeWindow(), true);
    }
    platform::UpdateWindow(GetNativeWindow());
    // That paint ran while the object was still only an LwPanel, so a derived class's OnPaint
    // was not called: the whole picture follows at the next idle moment.
    platform::InvalidateWindow(GetNativeWindow(), false);
}

LwPanel::LwPanel(LwObject* parent) : LwObject(parent) {}

LwPanel::~LwPanel() = default;

LwPoint LwPanel::GetPosition() {
    // A panel's native window is a child of its parent's: its stored place is the answer.
    return platform::GetWindowPosition(GetNativeWindow());
}

void LwPanel::SetPosition(const LwPoint& position) {
    if (position == GetPosition()) {
        return;
    }
    platform::MoveWindow(GetNativeWindow(), position, GetSize(), true);
    platform::UpdateWindow(GetNativeWindow());
}

LwSize LwPanel::GetSize() {
    return platform::GetClientSize(GetNativeWindow());
}

void LwPanel::SetSize(const LwSize& size) {
    if (size == GetSize()) {
        return;
    }
    platform::MoveWindow(GetNativeWindow(), GetPosition(), size, true);
    platform::UpdateWindow(GetNativeWindow());
}

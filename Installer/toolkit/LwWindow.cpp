// Top-level windows: creation, geometry, the modal loop, closing and centring.
#include "toolkit/LwWindow.h"

#include "platform/Events.h"
#include "toolkit/LwRouter.h"

namespace {

platform::TopLevelStyle StyleFromFlags(int flags) {
    platform::TopLevelStyle style;
    style.minimizeBox = (flags & kLwWindowMinimizeBox) != 0;
    style.resizable = (flags & kLwWindowResizable) != 0;
    style.borderless = (flags & kLwWindowBorderless) != 0;
    style.topmost = (flags & kLwWindowTopmost) != 0;
    return style;
}

}  // namespace

LwWindow::LwWindow(LwObject* parent, const LwPoint& position, const LwSize& clientSize,
                   const std::string& titleUtf8, int style)
    : LwObject(parent), title_(titleUtf8) {
    AttachNativeWindow(platform::CreateTopLevelWindow(
        parent ? parent->GetNativeWindow() : nullptr, position, clientSize, titleUtf8,
        StyleFromFlags(style), &LwRouter::TopLevelWindowProc));
    const LwSize outer = platform::OuterSizeForClient(GetNativeWindow(), clientSize);
    SetMinimumSize(outer);
}

LwWindow::~LwWindow() = default;

void LwWindow::DescribeAccessible(platform::AccessibleInfo& info) {
    LwObject::DescribeAccessible(info);
    info.role = platform::AccessibleRole::kWindow;
    info.name = title_;
}

void LwWindow::Close() {
    if (running_) {
        // Activation must go back to the owner while this window still exists.
        ReleaseOwner();
        running_ = false;
    }
    LwObject::Close();
}

LwPoint LwWindow::GetPosition() {
    // The corner last asked for counts at once, before a window manager has carried it out.
    return platform::GetWindowPosition(GetNativeWindow());
}

void LwWindow::SetPosition(const LwPoint& position) {
    platform::MoveWindow(GetNativeWindow(), position, GetSize(), true);
    platform::UpdateWindow(GetNativeWindow());
}

LwSize LwWindow::GetSize() {
    return platform::GetClientSize(GetNativeWindow());
}

void LwWindow::SetSize(const LwSize& size) {
    platform::MoveWindow(GetNativeWindow(), GetPosition(), size, true);
    platform::UpdateWindow(GetNativeWindow());
}

int LwWindow::RunModal() {
    owner_ = nullptr;
    // A closed window can never be shown again: its loop would wait for a close forever.
    if (!GetNativeWindow() || IsDestroyed()) {
        return modalResult_;
    }
    for (LwObject* up = GetParent(); up; up = up->GetParent()) {
        if (auto* window = dynamic_cast<LwWindow*>(up)) {
            owner_ = window;
            HoldOwner();
            break;
        }
    }
    modalResult_ = 0;
    running_ = true;
    Show(true);

    platform::Message message;
    // The native window can also go with its owner's, and then nothing could close it any more.
    while (running_ && platform::IsWindow(GetNativeWindow())) {
        platform::WaitMessage();
        // Checking before taking a message leaves the rest of the queue to the enclosing loop.
        while (running_ && platform::PeekMessage(message)) {
            platform::DispatchMessage(message);
        }
    }

    if (running_) {
        // The native window went with its owner's: nobody answered, which reads as a close.
        running_ = false;
        modalResult_ = 1;
        ReleaseOwner();
        DestroyNativeWindow();
    }
    return modalResult_;
}

void LwWindow::HoldOwner() {
    if (owner_->modalHolders_++ == 0) {
        owner_->enabledBeforeModal_ = platform::IsWindowEnabled(owner_->GetNativeWindow());
        platform::EnableWindow(owner_->GetNativeWindow(), false);
    }
    holdsOwner_ = true;
}

void LwWindow::ReleaseOwner() {
    if (!holdsOwner_) {
        return;
    }
    holdsOwner_ = false;
    // Two dialogs of one owner: it stays disabled until the last of them is done, and the
    // platform then activates the other dialog when this one goes.
    if (--owner_->modalHolders_ == 0 && owner_->enabledBeforeModal_) {
        platform::EnableWindow(owner_->GetNativeWindow(), true);
        owner_->Focus();
    }
}

void LwWindow::CenterOnOwner() {
    const LwSize size = GetSize();
    LwObject* parent = GetParent();
    // Without a parent, the primary monitor is the screen, whatever else is plugged in.
    const LwRect area =
        parent ? platform::GetWindowRect(parent->GetNativeWindow()) : platform::PrimaryMonitor();

    // Centred by the client size; the outer size only keeps the frame inside the work area.
    int x = area.x + (area.width - size.width) / 2;
    int y = area.y + (area.height - size.height) / 2;
    const LwSize outer = platform::OuterSizeForClient(GetNativeWindow(), size);
    // The monitor nearest the parent, or nearest where the window is going: not where a window
    // that was never placed happens to be.
    const LwRect work = parent ? platform::WorkAreaNearest(parent->GetNativeWindow())
                               : platform::WorkAreaNearest(LwRect{x, y, outer.width, outer.height});
    if (x + outer.width > work.Right()) {
        x = work.Right() - outer.width;
    }
    if (x < work.x) {
        x = work.x + 1;
    }
    if (y + outer.height > work.Bottom()) {
        y = work.Bottom() - outer.height;
    }
    if (y < work.y) {
        y = work.y + 1;
    }
    SetPosition(LwPoint{x, y});
}

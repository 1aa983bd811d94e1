// Construction and destruction of the object tree, default painting, layout and anchors.
#include "toolkit/LwObject.h"

#include <algorithm>

#include "draw/LwPaintContext.h"
#include "platform/Events.h"

namespace {

template <class T>
void EraseFirst(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) {
        list.erase(it);
    }
}

}  // namespace

std::vector<LwObject*>& LwObject::InputPreviewList() {
    static std::vector<LwObject*> list;
    return list;
}

void LwObject::RegisterInputPreview(LwObject* object) {
    InputPreviewList().push_back(object);
}

LwObject::LwObject(LwObject* parent) : parent_(parent) {
    if (parent_) {
        parent_->children_.push_back(this);
    }
}

LwObject::~LwObject() {
    EraseFirst(InputPreviewList(), this);
    // Each child removes itself from this list, so children go in creation order, depth first.
    while (!children_.empty()) {
        delete children_.front();
    }
    if (parent_) {
        EraseFirst(parent_->children_, this);
    }
    // Layouts and anchors higher up must not place this object once it is gone.
    for (LwObject* up = parent_; up; up = up->parent_) {
        up->ForgetPlacement(this);
    }
    // Virtual dispatch has reached this class by now: OnDestroy is the no-op of LwObject.
    DestroyNativeWindow();
}

void LwObject::AttachNativeWindow(platform::NativeWindow window) {
    window_ = window;
    platform::SetUserData(window_, this);
}

void LwObject::DestroyNativeWindow() {
    if (!window_ || destroyed_) {
        return;
    }
    OnDestroy();
    if (visible_) {
        NotifyAccessible(platform::AccessibleEvent::kHidden);
    }
    // Detached first, so that whatever the platform sends while destroying reaches no object.
    platform::SetUserData(window_, nullptr);
    platform::DestroyWindow(window_);
    destroyed_ = true;
}

void LwObject::Close() {
    DestroyNativeWindow();
}

void LwObject::SetBackgroundColor(const LwColor& color) {
    background_ = color;
}

LwSize LwObject::GetMinimumSize() {
    return minimumSize_;
}

void LwObject::SetMinimumSize(const LwSize& size) {
    minimumSize_ = size;
    // A top-level window cannot be made smaller than this by the user.
    platform::SetMinimumOuterSize(window_, size);
}

void LwObject::Show(bool show) {
    visible_ = show;
    if (!show || !platform::IsWindowVisible(window_)) {
        platform::ShowWindow(window_, show);
        NotifyAccessible(show ? platform::AccessibleEvent::kShown
                              : platform::AccessibleEvent::kHidden);
    }
    if (show) {
        platform::UpdateWindow(window_);
    }
}

void LwObject::Focus() {
    platform::SetFocus(window_);
}

void LwObject::DescribeAccessible(platform::AccessibleInfo& info) {
    if (AcceptsFocus()) {
        info.states |= platform::kAccessibleFocusable;
    }
    if (window_ && platform::GetFocus() == window_) {
        info.states |= platform::kAccessibleFocused;
    }
    if (platform::IsWindowEnabled(window_)) {
        info.states |= platform::kAccessibleEnabled;
    }
    if (platform::IsWindowVisible(window_)) {
        info.states |= platform::kAccessibleVisible;
    }
}

void LwObject::NotifyAccessible(platform::AccessibleEvent event) {
    platform::NotifyAccessible(window_, event);
}

void LwObject::OnPaint() {
    if (IsNoBackground(background_)) {
        return;
    }
    const LwSize size = GetSize();
    LwPaintContext context(this);
    context.SetFillColor(background_);
    context.DrawRect(LwRect{0, 0, size.width, size.height});
}

void LwObject::Invalidate() {
    platform::InvalidateWindow(window_, true);
}

void LwObject::FireEvent(int code) {
    if (eventHandler && eventTarget) {
        eventTarget->eventSender = this;
        eventTarget->eventSenderTag = eventTag;
        (eventTarget->*eventHandler)(code);
    }
}

bool LwObject::ShowsFocusMark() const {
    return window_ && platform::GetFocus() == window_ && platform::FocusMarksShown(window_);
}

void LwObject::SetLayout(LwBoxLayout* layout) {
    if (layout != layout_.get()) {
        layout_.reset(layout);
    }
    if (layout_) {
        layout_->Apply(GetSize());
    }
}

void LwObject::AddAnchor(LwObject* child, int edge, int margin) {
    anchors_.push_back(LwAnchor{child, edge, margin});
}

void LwObject::ForgetPlacement(const LwObject* object) {
    if (layout_) {
        layout_->RemoveObject(object);
    }
    std::erase_if(anchors_, [object](const LwAnchor& anchor) { return anchor.child == object; });
}

void LwObject::ApplyAnchors(const LwSize& size) {
    for (const LwAnchor& anchor : anchors_) {
        const LwPoint position = anchor.child->GetPosition();
        const LwSize childSize = anchor.child->GetSize();
        if (anchor.edge == LwAnchor::kBottom) {
            anchor.child->SetPosition(
                LwPoint{position.x, size.height - anchor.margin - childSize.height});
        } else if (anchor.edge == LwAnchor::kRight) {
            anchor.child->SetPosition(
                LwPoint{size.width - anchor.margin - childSize.width, position.y});
        }
    }
}

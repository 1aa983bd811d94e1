// The base of every visual object: one native window, an owning tree of children, the hooks the
// router calls, the event binding, and an optional box layout and anchors for the children.
#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include "draw/LwTypes.h"
#include "platform/Accessibility.h"
#include "platform/Window.h"
#include "toolkit/LwBoxLayout.h"
#include "toolkit/LwInputEvent.h"

class LwObject;

// Called on `eventTarget` with the event code. Handlers of derived classes are stored through
// AsEventHandler; the target must then be an object of that class.
using LwEventHandler = void (LwObject::*)(int code);

template <class T>
LwEventHandler AsEventHandler(void (T::*handler)(int)) {
    static_assert(std::is_base_of_v<LwObject, T>, "event handlers are members of LwObject classes");
    return static_cast<LwEventHandler>(handler);
}

class LwObject {
  public:
    virtual ~LwObject();
    LwObject(const LwObject&) = delete;
    LwObject& operator=(const LwObject&) = delete;

    // Destroys the native window (once); the object itself stays alive.
    virtual void Close();
    // Stores the colour without repainting: callers invalidate when they are done.
    virtual void SetBackgroundColor(const LwColor& color);
    virtual LwPoint GetPosition() = 0;
    virtual void SetPosition(const LwPoint& position) = 0;
    // Client-area size.
    virtual LwSize GetSize() = 0;
    virtual void SetSize(const LwSize& size) = 0;
    virtual LwSize GetMinimumSize();
    virtual void SetMinimumSize(const LwSize& size);
    // Showing paints the object before returning.
    virtual void Show(bool show);
    virtual void Focus();
    // Whether Tab stops at the object and it shows a focus mark: controls that take input. A
    // click focuses any object.
    virtual bool AcceptsFocus() { return false; }
    // What screen readers are told of the object. The base fills in a plain panel with the
    // states every object has (focusable, focused, enabled, visible); controls add their own.
    virtual void DescribeAccessible(platform::AccessibleInfo& info);
    // A client of the accessibility API asked for one of the described actions.
    virtual void DoAccessibleAction(unsigned /*action*/) {}

  protected:
    // Hooks called by the router and the timer service; they do nothing by default, except
    // OnPaint, which fills the client area with the background colour.
    virtual void OnFirstActivate() {}
    // Called just before Close destroys the native window. The destructor calls only this base
    // version, since the derived part is gone by then.
    virtual void OnDestroy() {}
    virtual void OnSetFocus() {}
    virtual void OnKillFocus() {}
    virtual void OnPaint();
    // The UTF-16 code unit of a typed character; false swallows it.
    virtual bool OnChar(unsigned /*character*/) { return true; }
    // The virtual-key code of a key pressed while the object or a descendant has the focus;
    // false offers it to the parent, up to the top-level window.
    virtual bool OnKeyDown(unsigned /*key*/) { return false; }
    virtual void OnCaptureChanged() {}
    virtual void OnMouseEvent(int /*code*/) {}
    // After the layout and the anchors have been applied.
    virtual void OnResize() {}
    virtual void OnTimer(int /*tag*/) {}
    virtual bool OnDropFile(const char* /*pathUtf8*/) { return false; }
    // Input addressed to any object, offered first to the registered preview objects.
    virtual void PreviewInput(LwInputEvent& /*event*/) {}

  public:
    // Event binding, written by the creator right after construction.
    LwEventHandler eventHandler = nullptr;
    LwObject* eventTarget = nullptr;  // not owned
    int eventTag = 0;
    // Written on the target before its handler runs: who sent the event, with what tag.
    LwObject* eventSender = nullptr;
    int eventSenderTag = 0;

    // Asks the platform to repaint this object and all its descendants.
    void Invalidate();
    // Tells assistive technology that something it reads of the object changed.
    void NotifyAccessible(platform::AccessibleEvent event);
    // Calls the event binding with `code`, as a click does.
    void FireEvent(int code);
    // Has the keyboard focus, and the window shows focus marks.
    bool ShowsFocusMark() const;
    // Replaces and owns the layout (the one already set stays), and applies it at once to the
    // current size.
    void SetLayout(LwBoxLayout* layout);
    LwBoxLayout* GetLayout() const { return layout_.get(); }
    // Pins a child to this object's bottom (edge 0) or right (edge 1) edge on every resize.
    void AddAnchor(LwObject* child, int edge, int margin);
    void ApplyAnchors(const LwSize& size);

    // Appends to the program-wide list of objects that see input first (no duplicate check).
    static void RegisterInputPreview(LwObject* object);

    platform::NativeWindow GetNativeWindow() const { return window_; }
    LwObject* GetParent() const { return parent_; }
    const std::vector<LwObject*>& GetChildren() const { return children_; }
    const LwColor& GetBackgroundColor() const { return background_; }
    bool IsVisible() const { return visible_; }
    bool IsDestroyed() const { return destroyed_; }

  protected:
    // Appends the object to the parent's children; derived constructors create the window.
    explicit LwObject(LwObject* parent);
    // Stores the created window and makes its messages reach this object.
    void AttachNativeWindow(platform::NativeWindow window);
    // OnDestroy, detach, destroy the native window: once.
    void DestroyNativeWindow();

    bool visible_ = false;

  private:
    friend class LwRouter;
    friend class LwTimer;

    static std::vector<LwObject*>& InputPreviewList();
    // Removes a descendant that is being deleted from the layout and the anchors.
    void ForgetPlacement(const LwObject* object);

    platform::NativeWindow window_ = nullptr;
    LwColor background_{255, 0, 255, 255};  // magenta: no background
    LwSize minimumSize_{};
    bool pressed_ = false;  // a left press on this object awaits its release (click filter)
    bool hover_ = false;    // the pointer is inside the native window
    bool activated_ = false;
    bool destroyed_ = false;
    std::vector<LwObject*> children_;  // owned, in order of construction
    LwObject* parent_ = nullptr;
    std::unique_ptr<LwBoxLayout> layout_;
    std::vector<LwAnchor> anchors_;
};

// A top-level window: framed or borderless, centred on its owner, running its own modal loop.
#pragma once

#include <string>
#include <vector>

#include "toolkit/LwObject.h"

// Style bits of the last constructor argument; 0 is a captioned dialog frame.
enum LwWindowStyle : int {
    kLwWindowResizable = 1,
    kLwWindowBorderless = 2,  // overrides resizable and minimise box
    kLwWindowTopmost = 4,
    kLwWindowMinimizeBox = 8,
};

class LwWindow : public LwObject {
  public:
    // Created hidden, its outer top-left corner at `position` (screen), never resizable below the
    // outer size it is created with.
    LwWindow(LwObject* parent, const LwPoint& position, const LwSize& clientSize,
             const std::string& titleUtf8, int style);
    ~LwWindow() override;

    // Re-enables and focuses the owner of a running loop before the native window goes.
    void Close() override;
    // Gives the keyboard back to the control that last had it, or else to the window itself.
    void Focus() override;
    // A window named by its title.
    void DescribeAccessible(platform::AccessibleInfo& info) override;
    // Outer top-left corner, screen coordinates.
    LwPoint GetPosition() override;
    void SetPosition(const LwPoint& position) override;
    LwSize GetSize() override;
    // Keeps the outer top-left corner.
    void SetSize(const LwSize& size) override;

    // The nearest top-level window up the parent chain, the object itself included.
    static LwWindow* Containing(LwObject* object);
    // The shown and enabled objects that accept the focus, in reading order: top to bottom,
    // then left to right, by their top-left corners.
    std::vector<LwObject*> FocusOrder();
    // Moves the focus to the next object of the focus order, or the previous one; wraps round.
    void MoveFocus(bool backwards);

  protected:
    // Asked when the frame's close box is used; false keeps the window open.
    virtual bool CanClose() { return true; }
    // Tab and Shift+Tab move the focus.
    bool OnKeyDown(unsigned key) override;

  public:
    // Shows the window and dispatches messages until it is closed; the nearest window up the
    // parent chain is disabled meanwhile. Returns the modal result, 1 when the native window
    // went with its owner's.
    int RunModal();
    // Centres the client size on the parent's window (or the primary monitor), inside the work
    // area of the monitor nearest the parent (or the place it centres on).
    void CenterOnOwner();

    int GetModalResult() const { return modalResult_; }
    // Set before Close; RunModal returns it. The frame's close box sets 1.
    void SetModalResult(int result) { modalResult_ = result; }
    bool IsRunning() const { return running_; }

  private:
    friend class LwRouter;

    // Disables the owner for the length of this window's loop; the owner counts its holders.
    void HoldOwner();
    void ReleaseOwner();
    // The remembered control, when it can still take the keyboard.
    void RestoreFocus();
    LwObject* FocusedControl() const;

    std::string title_;
    bool running_ = false;
    int modalResult_ = 0;
    LwWindow* owner_ = nullptr;
    bool holdsOwner_ = false;
    // As an owner: how many running loops hold it disabled, and its state before the first.
    int modalHolders_ = 0;
    bool enabledBeforeModal_ = true;
    // The descendant that last had the keyboard; a handle, since the control may go first.
    platform::NativeWindow focusedControl_;
};

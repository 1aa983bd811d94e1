// The vertical scroll bar: scrolls a content panel inside its viewport by moving it, smoothly,
// from arrow presses, wheel amounts and a dragged thumb. It keeps no range or position of its
// own: the thumb follows from the content's height and position at every paint.
#pragma once

#include "platform/Window.h"
#include "toolkit/LwPanel.h"
#include "toolkit/LwTimer.h"

class LwScrollBar : public LwPanel {
  public:
    // 17 pixels wide and as tall as the parent is now. `content` (not owned) is the panel that
    // moves; it may be deleted before the bar, which then does nothing.
    LwScrollBar(LwObject* parent, LwPanel* content, const LwPoint& position);
    ~LwScrollBar() override;

    // Adds amount ÷ 12 pixels (a wheel event's value) to the distance still to scroll, positive
    // towards the content's top.
    void ScrollBy(int amount);
    // Up and Down scroll a line, Page Up and Page Down a viewport, Home and End to either end;
    // false for any other key.
    bool ScrollKey(unsigned key);
    bool AcceptsFocus() override { return true; }
    // The thumb's offset in its track is the value.
    void DescribeAccessible(platform::AccessibleInfo& info) override;

    // The thumb as the last paint laid it out; all zero before the first paint.
    int GetTrackLength() const { return trackLength_; }
    int GetThumbOffset() const { return thumbOffset_; }
    int GetThumbLength() const { return thumbLength_; }
    int GetPendingScroll() const { return pendingScroll_; }
    bool IsDragging() const { return dragging_; }
    bool IsArrowRepeating() const { return repeatTimer_.IsRunning(); }
    bool IsSmoothScrolling() const { return smoothTimer_.IsRunning(); }

  protected:
    void OnPaint() override;
    void OnMouseEvent(int code) override;
    void OnTimer(int tag) override;
    bool OnKeyDown(unsigned key) override { return ScrollKey(key); }

  private:
    // Applies one step of the pending distance to the content.
    void ScrollStep();
    // Puts the thumb's top at bar row `top` and the content where that thumb says.
    void DragThumbTo(int top);
    // Steps at once unless smooth scrolling already runs, then keeps it running.
    void StartSmoothScrolling();
    void AddToPending(int pixels);
    // The content panel, or null once its window is gone (deleted, closed, never created).
    LwPanel* LiveContent() const;
    int CursorRow() const;
    void LayOutThumb(int height, int contentHeight, int contentTop);

    int trackLength_ = 0;
    int thumbOffset_ = 0;
    int thumbLength_ = 0;  // 0 until the first paint
    int grabOffset_ = 0;   // thumb top to the point the pointer holds, while dragging
    bool dragging_ = false;
    int pendingScroll_ = 0;
    int arrowHeld_ = 0;  // 1 up, 2 down
    LwTimer repeatTimer_;
    LwTimer smoothTimer_;
    LwPanel* content_;
    // Tells whether `content_` still exists without touching it: a destroyed window's handle
    // fails IsWindow and is never handed to a later window.
    platform::NativeWindow contentWindow_;
};

// The scroll bar's smooth stepping, arrow repeat, thumb drag and paint.
#include "controls/LwScrollBar.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "draw/LwPaintContext.h"
#include "platform/Events.h"

namespace {

constexpr int kBarWidth = 17;
constexpr int kButtonRows = 17;  // each arrow button; the track starts below the upper one
constexpr int kTrackInset = 35;  // rows of the bar that are not track
constexpr int kMinimumThumb = 20;
constexpr int kArrowPress = 8;       // pixels a press on an arrow scrolls at once
constexpr int kArrowRepeat = 10;     // and every repeat tick while it is held
constexpr int kKeyLine = 20;         // pixels Up or Down scrolls
constexpr int kWheelDivisor = 12;    // a standard notch (value 840) scrolls 70 pixels
constexpr int kWholeStepLimit = 10;  // at most this much pending goes in one step
constexpr unsigned kRepeatMs = 30;
constexpr unsigned kSmoothMs = 10;
constexpr int kRepeatTag = 1;
constexpr int kSmoothTag = 2;
constexpr int kArrowUp = 1;
constexpr int kArrowDown = 2;

constexpr LwColor kGradientTop = LwGrey(101);
constexpr LwColor kGradientBottom = LwGrey(77);
constexpr LwColor kHighlight = LwGrey(171);

int ClampToInt(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

// An arrow button at `top`: highlight row, gradient, then a four-row triangle whose widest row
// is `wideRow` and which narrows by one pixel a side per row in direction `narrowing`.
void PaintArrowButton(LwPaintContext& paint, int width, int top, int wideRow, int narrowing) {
    paint.SetLineColor(kHighlight, 1.0f);
    paint.DrawLine(1, top, width - 2, top);
    paint.FillGradient(LwRect{1, top + 1, 15, 15}, kGradientTop, kGradientBottom);
    paint.SetLineColor(LwGrey(222), 1.0f);
    for (int i = 0; i < 4; ++i) {
        const int row = wideRow + i * narrowing;
        paint.DrawLine(5 + i, row, 12 - i, row);
    }
}

}  // namespace

LwScrollBar::LwScrollBar(LwObject* parent, LwPanel* content, const LwPoint& position)
    : LwPanel(parent, position, LwSize{kBarWidth, parent ? parent->GetSize().height : 0}),
      repeatTimer_(this, kRepeatTag),
      smoothTimer_(this, kSmoothTag),
      content_(content),
      contentWindow_(content ? content->GetNativeWindow() : nullptr) {}

LwScrollBar::~LwScrollBar() {
    smoothTimer_.Stop();
    repeatTimer_.Stop();
}

LwPanel* LwScrollBar::LiveContent() const {
    return platform::IsWindow(contentWindow_) ? content_ : nullptr;
}

int LwScrollBar::CursorRow() const {
    return platform::ScreenToClient(GetNativeWindow(), platform::GetCursorPos()).y;
}

void LwScrollBar::AddToPending(int pixels) {
    pendingScroll_ = ClampToInt(int64_t{pendingScroll_} + pixels);
}

void LwScrollBar::ScrollBy(int amount) {
    AddToPending(amount / kWheelDivisor);
    StartSmoothScrolling();
}

bool LwScrollBar::ScrollKey(unsigned key) {
    LwPanel* content = LiveContent();
    const int page = GetSize().height;
    // Past either end is as far as the content goes: the step stops there.
    const int whole = content ? content->GetSize().height : 0;
    switch (key) {
        case platform::kVkUp:
            AddToPending(kKeyLine);
            break;
        case platform::kVkDown:
            AddToPending(-kKeyLine);
            break;
        case platform::kVkPrior:
            AddToPending(page);
            break;
        case platform::kVkNext:
            AddToPending(-page);
            break;
        case platform::kVkHome:
            pendingScroll_ = whole;
            break;
        case platform::kVkEnd:
            pendingScroll_ = -whole;
            break;
        default:
            return false;
    }
    StartSmoothScrolling();
    return true;
}

void LwScrollBar::StartSmoothScrolling() {
    if (!smoothTimer_.IsRunning()) {
        ScrollStep();
        smoothTimer_.Start(kSmoothMs);
    }
}

void LwScrollBar::ScrollStep() {
    // A tenth of what is pending, at least the limit, and all of it once that little is left.
    const int pending = pendingScroll_;
    int step = pending;
    if (pending > kWholeStepLimit) {
        step = std::max(pending / 10, kWholeStepLimit);
    } else if (pending < -kWholeStepLimit) {
        step = std::min(pending / 10, -kWholeStepLimit);
    }
    pendingScroll_ = pending - step;

    LwPanel* content = LiveContent();
    if (!content) {
        pendingScroll_ = 0;  // nothing left to move: the timer stops at its next tick
        return;
    }
    const LwPoint position = content->GetPosition();
    const int64_t height = GetSize().height;
    const int64_t contentHeight = content->GetSize().height;
    int64_t top = int64_t{position.y} + step;
    if (top < height - contentHeight) {
        top = height - contentHeight;
        pendingScroll_ = 0;
    }
    if (top > 0) {  // also keeps content shorter than the viewport at its top
        top = 0;
        pendingScroll_ = 0;
    }
    content->SetPosition(LwPoint{position.x, ClampToInt(top)});
    Invalidate();
    platform::UpdateWindow(GetNativeWindow());
}

void LwScrollBar::DragThumbTo(int top) {
    LwPanel* content = LiveContent();
    if (!content) {
        return;
    }
    const int64_t contentHeight = content->GetSize().height;
    const int64_t height = GetSize().height;
    const int travel = trackLength_ - thumbLength_;
    if (contentHeight > height && travel <= 0) {
        return;  // a track no longer than the thumb: nowhere to drag it, so nothing jumps
    }
    int64_t thumbTop = std::max<int64_t>(int64_t{top} - kButtonRows, 0);
    if (thumbTop + thumbLength_ > trackLength_) {
        thumbTop = travel;
    }
    float ratio = 0.0f;
    if (contentHeight > height) {
        ratio = static_cast<float>(contentHeight - height) / static_cast<float>(travel);
    }
    int64_t offset = static_cast<int64_t>(static_cast<float>(thumbTop) * ratio);
    if (height + offset > contentHeight) {
        offset = contentHeight - height;
    }
    offset = std::max<int64_t>(offset, 0);
    content->SetPosition(LwPoint{0, ClampToInt(-offset)});
    platform::UpdateWindow(contentWindow_);
    Invalidate();
    platform::UpdateWindow(GetNativeWindow());
}

void LwScrollBar::OnMouseEvent(int code) {
    switch (code) {
        case kLwEventLeftDown:
        case kLwEventLeftDouble: {
            const int row = CursorRow();
            const int height = GetSize().height;
            if (row < kButtonRows || row > height - kButtonRows) {
                const bool up = row < kButtonRows;
                AddToPending(up ? kArrowPress : -kArrowPress);
                StartSmoothScrolling();
                arrowHeld_ = up ? kArrowUp : kArrowDown;
                repeatTimer_.Start(kRepeatMs);
                return;
            }
            if (thumbLength_ == 0) {
                return;  // never painted: there is no thumb to take hold of yet
            }
            platform::SetCapture(GetNativeWindow());
            dragging_ = true;
            const int thumbTop = thumbOffset_ + kButtonRows;
            const bool onThumb = row >= thumbTop && row <= thumbTop + thumbLength_;
            grabOffset_ = onThumb ? row - thumbOffset_ - kButtonRows : thumbLength_ / 2;
            DragThumbTo(row - grabOffset_);
            return;
        }
        case kLwEventMove:
            if (dragging_) {
                DragThumbTo(CursorRow() - grabOffset_);
            }
            return;
        case kLwEventLeftUp:
            if (dragging_) {
                if (platform::GetCapture() == GetNativeWindow()) {
                    platform::ReleaseCapture();
                }
                dragging_ = false;
            }
            repeatTimer_.Stop();
            return;
        case kLwEventLeave:
            repeatTimer_.Stop();  // a drag goes on: the bar holds the capture
            return;
        default:
            return;
    }
}

void LwScrollBar::OnTimer(int tag) {
    if (tag == kRepeatTag) {
        if (arrowHeld_ == kArrowUp) {
            AddToPending(kArrowRepeat);
        } else if (arrowHeld_ == kArrowDown) {
            AddToPending(-kArrowRepeat);
        }
        StartSmoothScrolling();
        return;
    }
    ScrollStep();
    if (pendingScroll_ == 0) {
        smoothTimer_.Stop();
    }
}

void LwScrollBar::LayOutThumb(int height, int contentHeight, int contentTop) {
    trackLength_ = height - kTrackInset;
    thumbLength_ = trackLength_;
    if (contentHeight > height) {
        thumbLength_ = static_cast<int>(int64_t{trackLength_} * height / contentHeight);
    }
    thumbLength_ = std::max(thumbLength_, kMinimumThumb);
    const int travel = trackLength_ - thumbLength_;
    if (contentHeight > height && travel <= 0) {
        thumbOffset_ = 0;  // a track no longer than the thumb: it stays at the top
        return;
    }
    float ratio = 1.0f;
    if (contentHeight > height) {
        ratio = static_cast<float>(int64_t{contentHeight} - height) / static_cast<float>(travel);
    }
    const float offset = -static_cast<float>(contentTop) / ratio;
    thumbOffset_ = offset < 0.0f ? 0 : static_cast<int>(std::min(offset, float(trackLength_)));
    if (thumbOffset_ + thumbLength_ > trackLength_) {
        thumbOffset_ = std::max(travel, 0);
    }
}

void LwScrollBar::DescribeAccessible(platform::AccessibleInfo& info) {
    LwPanel::DescribeAccessible(info);
    info.role = platform::AccessibleRole::kScrollBar;
    info.hasValue = true;
    info.value = thumbOffset_;
    info.maximum = std::max(trackLength_ - thumbLength_, 0);
}

void LwScrollBar::OnPaint() {
    LwPanel* content = LiveContent();
    const LwPoint contentAt = content ? content->GetPosition() : LwPoint{};
    const int contentHeight = content ? content->GetSize().height : 0;
    LwPoint corrected = contentAt;

    {
        LwPaintContext paint(this);
        const LwSize size = GetSize();
        const int w = size.width;
        const int h = size.height;

        // No pen is set yet, so the rectangles are fills only.
        paint.SetFillColor(kLwBlack);
        paint.DrawRect(LwRect{0, 0, w, h});
        paint.SetFillColor(LwGrey(53));
        paint.DrawRect(LwRect{1, 0, w - 2, h});
        paint.SetLineColor(LwGrey(31), 1.0f);
        paint.DrawLine(w - 1, 0, w - 1, h);
        paint.DrawLine(0, h - 1, w, h - 1);

        PaintArrowButton(paint, w, 0, 9, -1);
        PaintArrowButton(paint, w, h - kButtonRows, h - 11, 1);

        LayOutThumb(h, contentHeight, contentAt.y);
        if (contentHeight <= h) {
            corrected = LwPoint{0, 0};
        } else if (int64_t{contentAt.y} + contentHeight < h) {
            corrected = LwPoint{0, h - contentHeight};  // scrolled past its end, e.g. it shrank
        }

        const int o = thumbOffset_;
        const int length = thumbLength_;
        paint.SetLineColor(kHighlight, 1.0f);
        paint.DrawLine(2, o + 17, w - 3, o + 17);
        paint.FillGradient(LwRect{1, o + 18, w - 2, length - 2}, kGradientTop, kGradientBottom);
        paint.SetLineColor(LwGrey(159), 1.0f);
        for (int k = 0; k <= 6; k += 2) {
            const int g = o + 14 + length / 2 + k;
            paint.DrawLine(5, g, w - 6, g);
        }
        paint.SetLineColor(LwGrey(76), 1.0f);
        paint.DrawLine(2, o + length + 16, w - 3, o + length + 16);
        if (ShowsFocusMark()) {
            paint.DrawFocusMark(LwRect{3, o + 19, w - 6, length - 4});
        }
    }

    if (content && corrected != contentAt) {
        content->SetPosition(corrected);
    }
}

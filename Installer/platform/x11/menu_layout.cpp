// Popup menu geometry: placement near the screen's edges, rows, scrolling and hit testing.
#include "platform/x11/menu_layout.h"

#include <algorithm>

namespace platform::menu {

Rect PlaceMenu(Point at, Size size, const Rect& area) {
    int x = at.x;
    int y = at.y;
    if (x + size.width > area.Right()) {
        x = area.Right() - size.width;
    }
    if (y + size.height > area.Bottom()) {
        // Above the point, its bottom edge on the point, when there is room there.
        y = at.y - size.height >= area.y ? at.y - size.height : area.Bottom() - size.height;
    }
    return {std::max(x, area.x), std::max(y, area.y), size.width, size.height};
}

MenuLayout::MenuLayout(int count, int contentWidth, int areaWidth, int areaHeight)
    : count_(std::max(count, 0)) {
    const int frame = 2 * (kBorder + kPadding);
    const int fitting = std::max(0, (areaHeight - frame) / kRowHeight);
    if (count_ <= fitting) {
        visibleRows_ = count_;
    } else {
        visibleRows_ = std::max(1, (areaHeight - frame - 2 * kArrowHeight) / kRowHeight);
    }
    const int arrows = visibleRows_ < count_ ? 2 * kArrowHeight : 0;
    size_ = {std::clamp(contentWidth + 2 * kBorder, 1, std::max(areaWidth, 1)),
             frame + arrows + visibleRows_ * kRowHeight};
}

bool MenuLayout::ScrollTo(int firstVisible) {
    const int top = std::clamp(firstVisible, 0, count_ - visibleRows_);
    const bool changed = top != top_;
    top_ = top;
    return changed;
}

bool MenuLayout::MakeVisible(int index) {
    if (index < top_) {
        return ScrollTo(index);
    }
    if (index >= top_ + visibleRows_) {
        return ScrollTo(index - visibleRows_ + 1);
    }
    return false;
}

int MenuLayout::RowsTop() const {
    return kBorder + kPadding + (Scrolls() ? kArrowHeight : 0);
}

Rect MenuLayout::RowRect(int visibleRow) const {
    return {kBorder, RowsTop() + visibleRow * kRowHeight, size_.width - 2 * kBorder, kRowHeight};
}

Rect MenuLayout::UpArrowRect() const {
    return {kBorder, kBorder, size_.width - 2 * kBorder, Scrolls() ? kArrowHeight + kPadding : 0};
}

Rect MenuLayout::DownArrowRect() const {
    const int top = RowsTop() + visibleRows_ * kRowHeight;
    return {kBorder, top, size_.width - 2 * kBorder, Scrolls() ? size_.height - kBorder - top : 0};
}

MenuLayout::Hit MenuLayout::HitTest(Point p) const {
    if (p.x < 0 || p.y < 0 || p.x >= size_.width || p.y >= size_.height) {
        return {Part::kOutside, -1};
    }
    if (Scrolls()) {
        if (p.y < RowsTop()) {
            return {Part::kUpArrow, -1};
        }
        if (p.y >= DownArrowRect().y) {
            return {Part::kDownArrow, -1};
        }
    }
    const int row = p.y >= RowsTop() ? (p.y - RowsTop()) / kRowHeight : -1;
    if (row >= 0 && row < visibleRows_ && top_ + row < count_) {
        return {Part::kRow, top_ + row};
    }
    return {Part::kNone, -1};
}

}  // namespace platform::menu

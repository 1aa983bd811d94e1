// Where a popup menu goes on the screen and which row lies where inside it.
#pragma once

#include "platform/Geometry.h"

namespace platform::menu {

inline constexpr int kBorder = 1;
inline constexpr int kPadding = 2;  // between the border and the first and last rows
inline constexpr int kRowHeight = 22;
inline constexpr int kArrowHeight = 14;  // the scroll arrows of a menu taller than the screen

// Below and right of the point when the menu fits there; otherwise flipped above the point (or
// pushed up) and shifted left, and never outside the area.
Rect PlaceMenu(Point at, Size size, const Rect& area);

// The rows of a menu with `count` items and `contentWidth` pixels of labels, fitted into an area
// `areaHeight` pixels high. When not all rows fit, arrow strips at the top and bottom scroll.
class MenuLayout {
  public:
    MenuLayout(int count, int contentWidth, int areaWidth, int areaHeight);

    enum class Part { kOutside, kNone, kRow, kUpArrow, kDownArrow };
    struct Hit {
        Part part = Part::kOutside;
        int index = -1;  // the item, for kRow
    };

    Size WindowSize() const { return size_; }
    int Count() const { return count_; }
    bool Scrolls() const { return visibleRows_ < count_; }
    int VisibleRows() const { return visibleRows_; }
    int FirstVisible() const { return top_; }
    // Returns whether the first visible row changed.
    bool ScrollTo(int firstVisible);
    bool ScrollBy(int rows) { return ScrollTo(top_ + rows); }
    bool MakeVisible(int index);
    // The item shown in the i-th visible row's rectangle, window coordinates.
    Rect RowRect(int visibleRow) const;
    Rect UpArrowRect() const;
    Rect DownArrowRect() const;
    Hit HitTest(Point p) const;

  private:
    int RowsTop() const;

    int count_;
    int visibleRows_;
    int top_ = 0;
    Size size_;
};

}  // namespace platform::menu

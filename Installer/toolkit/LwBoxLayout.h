// A row or column of objects, nested layouts and spaces, sized from what the items are now;
// and the anchors that pin children to their parent's bottom or right edge.
#pragma once

#include <memory>
#include <vector>

#include "draw/LwTypes.h"

class LwObject;
class LwBoxLayout;

struct LwLayoutItem {
    enum Kind : int { kObject = 0, kLayout = 1, kSpacer = 2, kFlexible = 3 };

    static LwLayoutItem Object(LwObject* object, bool stretch);
    // The layout owns the nested one.
    static LwLayoutItem Layout(std::unique_ptr<LwBoxLayout> layout, bool stretch);
    static LwLayoutItem Spacer(int extent);
    // Usually with stretch set, to push its neighbours apart.
    static LwLayoutItem Flexible(bool stretch);

    // One of these is the item's target, as `kind` says.
    LwObject* object = nullptr;  // not owned
    std::unique_ptr<LwBoxLayout> layout;
    int extent = 0;

    bool stretch = false;  // takes a share of the extra space along the layout's direction
    int kind = kObject;    // any other kind counts as (0, 0) and is never placed
};

class LwBoxLayout {
  public:
    enum Orientation : int { kHorizontal = 0, kVertical = 1 };  // any non-zero value is vertical

    explicit LwBoxLayout(int orientation) : orientation(orientation) {}

    // The sum of the items along the direction, the largest across, at least the minimum.
    LwSize NaturalSize() const;
    // Places the items from the origin; stretching items share the difference between `available`
    // and the natural size (negative when smaller), the last one taking the remainder.
    void Apply(const LwSize& available);
    // Drops every item that places `object`, in nested layouts too (the object is going away).
    void RemoveObject(const LwObject* object);

    int orientation;
    int originX = 0;
    int originY = 0;
    int minimumWidth = 0;
    int minimumHeight = 0;
    std::vector<LwLayoutItem> items;

  private:
    bool IsHorizontal() const { return orientation == kHorizontal; }
    LwSize ItemNaturalSize(const LwLayoutItem& item) const;
};

struct LwAnchor {
    enum Edge : int { kBottom = 0, kRight = 1 };

    LwObject* child = nullptr;
    int edge = kBottom;
    int margin = 0;
};

// Natural size and placement of box layouts.
#include "toolkit/LwBoxLayout.h"

#include <algorithm>

#include "toolkit/LwObject.h"

LwLayoutItem LwLayoutItem::Object(LwObject* object, bool stretch) {
    LwLayoutItem item;
    item.object = object;
    item.stretch = stretch;
    item.kind = kObject;
    return item;
}

LwLayoutItem LwLayoutItem::Layout(std::unique_ptr<LwBoxLayout> layout, bool stretch) {
    LwLayoutItem item;
    item.layout = std::move(layout);
    item.stretch = stretch;
    item.kind = kLayout;
    return item;
}

LwLayoutItem LwLayoutItem::Spacer(int extent) {
    LwLayoutItem item;
    item.extent = extent;
    item.kind = kSpacer;
    return item;
}

LwLayoutItem LwLayoutItem::Flexible(bool stretch) {
    LwLayoutItem item;
    item.stretch = stretch;
    item.kind = kFlexible;
    return item;
}

LwSize LwBoxLayout::ItemNaturalSize(const LwLayoutItem& item) const {
    switch (item.kind) {
        case LwLayoutItem::kObject:
            return item.object ? item.object->GetSize() : LwSize{};
        case LwLayoutItem::kLayout:
            return item.layout ? item.layout->NaturalSize() : LwSize{};
        case LwLayoutItem::kSpacer:
            return IsHorizontal() ? LwSize{item.extent, 0} : LwSize{0, item.extent};
        default:
            return LwSize{};
    }
}

LwSize LwBoxLayout::NaturalSize() const {
    int along = 0;
    int across = 0;
    for (const LwLayoutItem& item : items) {
        const LwSize s = ItemNaturalSize(item);
        along += IsHorizontal() ? s.width : s.height;
        across = std::max(across, IsHorizontal() ? s.height : s.width);
    }
    const LwSize natural = IsHorizontal() ? LwSize{along, across} : LwSize{across, along};
    return LwSize{std::max(natural.width, minimumWidth), std::max(natural.height, minimumHeight)};
}

void LwBoxLayout::Apply(const LwSize& available) {
    const bool horizontal = IsHorizontal();
    const LwSize natural = NaturalSize();
    int extra = horizontal ? available.width - natural.width : available.height - natural.height;
    int stretching = static_cast<int>(
        std::count_if(items.begin(), items.end(), [](const LwLayoutItem& i) { return i.stretch; }));
    LwPoint position{originX, originY};

    for (LwLayoutItem& item : items) {
        LwSize s = ItemNaturalSize(item);
        int& along = horizontal ? s.width : s.height;
        if (item.stretch) {
            // Truncating division: the last stretching item receives whatever is left.
            const int share = extra / stretching;
            along += share;
            extra -= share;
            --stretching;
        }
        (horizontal ? s.height : s.width) = horizontal ? available.height : available.width;

        if (item.kind == LwLayoutItem::kObject && item.object) {
            item.object->SetPosition(position);
            item.object->SetSize(s);
        } else if (item.kind == LwLayoutItem::kLayout && item.layout) {
            item.layout->originX = position.x;
            item.layout->originY = position.y;
            item.layout->Apply(s);
        }
        (horizontal ? position.x : position.y) += along;
    }
}

void LwBoxLayout::RemoveObject(const LwObject* object) {
    std::erase_if(items, [object](const LwLayoutItem& item) {
        return item.kind == LwLayoutItem::kObject && item.object == object;
    });
    for (LwLayoutItem& item : items) {
        if (item.layout) {
            item.layout->RemoveObject(object);
        }
    }
}

// The combo box: item parsing, the skin cut to the box's width, the current label, and the menu
// that changes the owner's int.
#include "controls/LwComboBox.h"

#include <algorithm>
#include <climits>

#include "controls/LwPopupMenu.h"
#include "draw/LwArtwork.h"
#include "draw/LwPaintContext.h"
#include "platform/Window.h"

namespace {

constexpr LwSize kInitialSize{110, 17};
constexpr int kLeftCap = 10;  // skin columns kept at the left whatever the width
constexpr int kSkinHeight = 17;
constexpr int kTextLeft = 4;
constexpr int kDropButtonRoom = 18;
constexpr int kInactiveTextGrey = 75;

bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// What atoi reads (white space, a sign, decimal digits), saturated at the int range where atoi
// itself would be undefined.
int LeadingInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit);
    }
    return static_cast<int>(negative ? std::max(-magnitude, static_cast<long long>(INT_MIN))
                                     : std::min(magnitude, static_cast<long long>(INT_MAX)));
}

}  // namespace

LwComboBox::LwComboBox(LwObject* parent, const LwPoint& position, const std::string& itemsUtf8,
                       int* value)
    : LwPanelControl(parent, position, kInitialSize), value_(value), items_(ParseItems(itemsUtf8)) {
    image_.LoadFromResource(kLwComboSkinImageId);
    // Compared with the count of items, not with their ids.
    if (value_ && *value_ >= 0 && static_cast<size_t>(*value_) >= items_.size()) {
        *value_ = 0;
    }
}

LwComboBox::~LwComboBox() = default;

std::vector<LwComboItem> LwComboBox::ParseItems(std::string_view itemsUtf8) {
    std::string_view rest = itemsUtf8.substr(0, itemsUtf8.find('\0'));  // a C string's end
    std::vector<LwComboItem> items;
    for (size_t index = 0;; ++index) {
        const size_t bar = rest.find('|');
        const std::string_view piece = rest.substr(0, bar);
        LwComboItem item{static_cast<int>(std::min<size_t>(index, INT_MAX)), std::string(piece)};
        const size_t slash = piece.find('/');
        if (slash != std::string_view::npos) {
            item.id = LeadingInt(piece.substr(0, slash));
            item.label = std::string(piece.substr(slash + 1));
        }
        items.push_back(std::move(item));
        if (bar == std::string_view::npos) {
            return items;
        }
        rest.remove_prefix(bar + 1);
    }
}

void LwComboBox::OnMouseEvent(int code) {
    if (!value_) {
        return;
    }
    switch (code) {
        case kLwEventLeftDown:
            OpenMenu();
            break;
        case kLwEventEnter:
            hover_ = true;
            Invalidate();
            break;
        case kLwEventLeave:
            hover_ = false;
            Invalidate();
            break;
        default:
            break;  // the menu opens on the press: releases and double clicks do nothing
    }
}

bool LwComboBox::OnKeyDown(unsigned key) {
    if (!value_) {
        return false;
    }
    const bool alt = (platform::HeldKeyModifiers() & platform::kAltHeld) != 0;
    if (key == platform::kVkF4 || key == platform::kVkSpace ||
        ((key == platform::kVkDown || key == platform::kVkUp) && alt)) {
        OpenMenu();
        return true;
    }
    if (key == platform::kVkDown || key == platform::kVkUp) {
        StepChoice(key == platform::kVkDown ? 1 : -1);
        return true;
    }
    return false;
}

void LwComboBox::StepChoice(int steps) {
    const auto current =
        std::find_if(items_.begin(), items_.end(),
                     [this](const LwComboItem& item) { return item.id == *value_; });
    // ParseItems always gives at least one item. A value that names none steps in from an end.
    const long count = static_cast<long>(items_.size());
    const long from = current != items_.end() ? current - items_.begin() : steps > 0 ? -1 : count;
    const long to = std::clamp(from + steps, 0L, count - 1);
    if (items_[static_cast<size_t>(to)].id == *value_) {
        return;
    }
    Choose(items_[static_cast<size_t>(to)].id);
}

void LwComboBox::Choose(int id) {
    NotifyChange(kLwChangeBefore);
    *value_ = id;
    NotifyChange(kLwChangeAfter);
    NotifyAccessible(platform::AccessibleEvent::kValue);
    Invalidate();
}

void LwComboBox::DescribeAccessible(platform::AccessibleInfo& info) {
    LwPanelControl::DescribeAccessible(info);
    info.role = platform::AccessibleRole::kComboBox;
    info.name = accessibleName_;
    if (!value_) {
        return;
    }
    info.actions = platform::kAccessibleOpen;
    if (menuOpen_) {
        info.states |= platform::kAccessibleExpanded;
    }
    info.hasValue = true;
    info.maximum = static_cast<double>(items_.size()) - 1;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].id == *value_) {
            info.value = static_cast<double>(i);
            info.valueText = items_[i].label;
        }
    }
}

void LwComboBox::DoAccessibleAction(unsigned action) {
    if (value_ && action == platform::kAccessibleOpen &&
        platform::IsWindowEnabled(GetNativeWindow())) {
        OpenMenu();
    }
}

void LwComboBox::OpenMenu() {
    LwPopupMenu menu(this);
    const int current = *value_;
    for (size_t i = 0; i < items_.size(); ++i) {
        menu.AddItem(static_cast<unsigned>(i + 1), items_[i].label, items_[i].id == current);
    }
    const platform::NativeWindow window = GetNativeWindow();
    SetMenuOpen(true);
    const unsigned command = menu.Track(platform::ClientToScreen(window, LwPoint{0, 0}));
    // The menu's loop runs paints and timers; if they took the box's window away, the box may
    // be gone with it.
    if (!platform::IsWindow(window)) {
        return;
    }
    SetMenuOpen(false);
    if (command == 0 || command > items_.size()) {
        return;
    }
    Choose(items_[command - 1].id);
}

void LwComboBox::SetMenuOpen(bool open) {
    menuOpen_ = open;
    NotifyAccessible(platform::AccessibleEvent::kState);
}

void LwComboBox::OnPaint() {
    LwPaintContext paint(this);
    const LwSize size = GetSize();
    const LwSize skin = image_.GetSize();
    paint.DrawImage(image_, LwPoint{0, 0}, LwSize{0, 0});
    if (size != skin) {
        // The skin's right end, with the drop button, goes to the box's right edge.
        const int width = size.width - kLeftCap;
        paint.DrawImagePart(image_, LwRect{kLeftCap, 0, width, kSkinHeight},
                            LwRect{skin.width - width, 0, width, kSkinHeight});
    }
    if (hover_) {
        paint.SetFillColor(kLwEmpty);
        paint.SetLineColor(kLwWhite, 1.0f);
        paint.DrawRect(LwRect{0, 0, size.width, size.height});
    }
    if (ShowsFocusMark()) {
        // Dark dots: the skin under the label is light.
        paint.DrawFocusMark(LwRect{2, 2, size.width - kDropButtonRoom, size.height - 4}, kLwBlack);
    }
    paint.SetClip(LwRect{kTextLeft, 0, size.width - kDropButtonRoom, size.height});
    paint.SetFont(10.0f, "Tahoma", platform::kFontBold);
    paint.SetTextColor(value_ ? kLwBlack : LwGrey(kInactiveTextGrey));
    const int current = value_ ? *value_ : 0;
    const char* label = "";
    for (const LwComboItem& item : items_) {
        if (item.id == current) {
            label = item.label.c_str();
            break;
        }
    }
    paint.DrawText(label, LwRect{0, 2, size.width - 16, size.height - 4}, AlignCenter);
}

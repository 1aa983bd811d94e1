// The popup menu's painting and measuring, with the palette of a plain light desktop menu.
#include "platform/x11/menu_painter.h"

#include <algorithm>

#include "platform/Canvas.h"

namespace platform::menu {
namespace {

constexpr const char* kFontFamily = "sans-serif";
constexpr float kFontPixels = 12.0f;
constexpr int kCheckColumn = 24;  // the check marks' column, left of the labels
constexpr int kLabelRightRoom = 24;
constexpr int kMinimumContentWidth = 80;
constexpr Rgba kBackground{248, 248, 248, 255};
constexpr Rgba kFrame{128, 128, 128, 255};
constexpr Rgba kText{0, 0, 0, 255};
constexpr Rgba kHighlight{0, 120, 215, 255};
constexpr Rgba kHighlightText{255, 255, 255, 255};
constexpr Rgba kArrow{96, 96, 96, 255};
constexpr Rgba kSpentArrow{200, 200, 200, 255};

void PaintCheckMark(Canvas& canvas, const Rect& row, Rgba ink) {
    const int x = row.x + 7;
    const int y = row.y + row.height / 2;
    canvas.DrawLine(x, y, x + 3, y + 3, ink, 2.0f);
    canvas.DrawLine(x + 3, y + 3, x + 9, y - 4, ink, 2.0f);
}

// A small triangle centred in the strip, pointing up (-1) or down (1).
void PaintArrow(Canvas& canvas, const Rect& strip, int direction, Rgba ink) {
    constexpr int kRows = 4;
    const int cx = strip.x + strip.width / 2;
    const int top = strip.y + (strip.height - kRows) / 2;
    for (int i = 0; i < kRows; ++i) {
        const int half = direction < 0 ? i : kRows - 1 - i;
        canvas.FillRect({cx - half, top + i, 2 * half + 1, 1}, ink);
    }
}

}  // namespace

MenuPainter::MenuPainter() : m_font(kFontFamily, kFontPixels, 0) {}

int MenuPainter::ContentWidth(const std::vector<MenuItem>& items, int areaWidth) {
    Canvas measure(nullptr);
    int widest = 0;
    for (const MenuItem& item : items) {
        widest = std::max(widest, measure.MeasureText(m_font, item.labelUtf8, {}).width);
        if (widest >= areaWidth) {
            break;  // wider than the screen cannot be shown anyway
        }
    }
    return std::max(kMinimumContentWidth, kCheckColumn + widest + kLabelRightRoom);
}

void MenuPainter::Paint(NativeWindow window, const MenuLayout& layout,
                        const std::vector<MenuItem>& items, int highlight) {
    Canvas canvas(window);
    const Size size = layout.WindowSize();
    canvas.FillRect({0, 0, size.width, size.height}, kBackground);
    canvas.StrokeRect({0, 0, size.width - 1, size.height - 1}, kFrame, 1.0f);
    if (layout.Scrolls()) {
        const bool atTop = layout.FirstVisible() == 0;
        const bool atEnd = layout.FirstVisible() + layout.VisibleRows() >= layout.Count();
        PaintArrow(canvas, layout.UpArrowRect(), -1, atTop ? kSpentArrow : kArrow);
        PaintArrow(canvas, layout.DownArrowRect(), 1, atEnd ? kSpentArrow : kArrow);
    }
    for (int row = 0; row < layout.VisibleRows(); ++row) {
        const int index = layout.FirstVisible() + row;
        if (index >= layout.Count()) {
            break;
        }
        const Rect r = layout.RowRect(row);
        const bool lit = index == highlight;
        if (lit) {
            canvas.FillRect(r, kHighlight);
        }
        const Rgba ink = lit ? kHighlightText : kText;
        const MenuItem& item = items[static_cast<size_t>(index)];
        if (item.checked) {
            PaintCheckMark(canvas, r, ink);
        }
        const Rect label{r.x + kCheckColumn, r.y, r.width - kCheckColumn - kPadding, r.height};
        canvas.SetClip(label);
        canvas.DrawText(m_font, item.labelUtf8, {label.x, label.y, 0, label.height},
                        kTextAlignMiddle, ink);
        canvas.SetClip({0, 0, size.width, size.height});
    }
}

}  // namespace platform::menu

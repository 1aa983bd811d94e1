// What a text control's procedure needs of its content, rich or plain: layout at a width,
// painting, hit testing, and the characters its offsets index.
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/Geometry.h"

namespace platform::backend {

// A selection as byte offsets into the body's text; the anchor stays where selecting began and
// the caret moves. Empty when both are equal.
struct TextRange {
    size_t anchor = 0;
    size_t caret = 0;
    size_t Start() const { return std::min(anchor, caret); }
    size_t End() const { return std::max(anchor, caret); }
    bool IsEmpty() const { return anchor == caret; }
    bool operator==(const TextRange&) const = default;
};

// Light blue behind selected characters, as most desktops show a selection.
inline constexpr Rgba kSelectionColor{173, 214, 255, 255};

class TextBody {
  public:
    virtual ~TextBody() = default;

    // Lays the text out for this wrap width (the client width less the margins); does nothing
    // when the width is unchanged.
    virtual void SetWidth(int width) = 0;
    // Height of the whole content at the current width, in pixels.
    virtual int ContentHeight() = 0;
    // Draws the content with its top left at `origin` (client coordinates), skipping what lies
    // outside `visible`; the caret is drawn at the selection's caret when `showCaret`.
    virtual void Paint(cairo_t* cr, Point origin, const Rect& visible, const TextRange& selection,
                       bool showCaret) = 0;
    // The offset nearest to a point given relative to the origin.
    virtual size_t OffsetAt(Point point) = 0;
    virtual const std::string& Text() const = 0;
};

// Fills the selection colour behind the layout's bytes [start, end), the layout drawn at `at`.
void PaintLayoutSelection(cairo_t* cr, PangoLayout* layout, Point at, int start, int end);

// Offsets of the next and previous character (UTF-8), clamped to the text.
size_t NextCharacter(const std::string& text, size_t offset);
size_t PreviousCharacter(const std::string& text, size_t offset);

}  // namespace platform::backend

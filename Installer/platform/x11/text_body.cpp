// Pieces both text bodies share: the selection's fill and stepping over UTF-8 characters.
#include "platform/x11/text_body.h"

#include <glib.h>

namespace platform::backend {

void PaintLayoutSelection(cairo_t* cr, PangoLayout* layout, Point at, int start, int end) {
    if (start >= end) {
        return;
    }
    cairo_save(cr);
    cairo_set_source_rgb(cr, kSelectionColor.r / 255.0, kSelectionColor.g / 255.0,
                         kSelectionColor.b / 255.0);
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    do {
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
        if (line->start_index > end || line->start_index + line->length < start) {
            continue;
        }
        int y0 = 0;
        int y1 = 0;
        pango_layout_iter_get_line_yrange(iter, &y0, &y1);
        int* ranges = nullptr;
        int count = 0;
        pango_layout_line_get_x_ranges(line, start, end, &ranges, &count);
        for (int i = 0; i < count; ++i) {
            const int x0 = PANGO_PIXELS(ranges[2 * i]);
            const int x1 = PANGO_PIXELS(ranges[2 * i + 1]);
            cairo_rectangle(cr, at.x + x0, at.y + PANGO_PIXELS(y0), x1 - x0,
                            PANGO_PIXELS(y1) - PANGO_PIXELS(y0));
        }
        g_free(ranges);
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    cairo_fill(cr);
    cairo_restore(cr);
}

size_t NextCharacter(const std::string& text, size_t offset) {
    if (offset >= text.size()) {
        return text.size();
    }
    ++offset;
    while (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) {
        ++offset;
    }
    return offset;
}

size_t PreviousCharacter(const std::string& text, size_t offset) {
    if (offset == 0) {
        return 0;
    }
    offset = std::min(offset, text.size()) - 1;
    while (offset > 0 && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) {
        --offset;
    }
    return offset;
}

}  // namespace platform::backend

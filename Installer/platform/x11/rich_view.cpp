// The rich view: paragraphs of styled runs as pango layouts with attributes (fonts, sizes,
// bold, italic, underline, colours), placed by their indents and spacing, justified or aligned,
// wrapped at the view's width.
#include "platform/x11/rich_view.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <unordered_map>

#include "platform/x11/text_fonts.h"

namespace platform::backend {
namespace {

// Twips (1/1440 inch) and points (1/72 inch) at 96 pixels per inch, before the window's scale.
constexpr double kTwipsPerPixel = 15.0;
constexpr double kPixelsPerPoint = 96.0 / 72.0;
// What a run without a family of its own is shown in.
constexpr const char* kDefaultFamily = "Arial";

int TwipsToPixels(int twips, double scale) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel * scale));
}

// Pango takes neither invalid UTF-8 nor NUL characters.
std::string CleanText(const std::string& text) {
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        if (c != '\0') {
            clean += c;
        }
    }
    if (g_utf8_validate(clean.data(), static_cast<gssize>(clean.size()), nullptr)) {
        return clean;
    }
    gchar* valid = g_utf8_make_valid(clean.data(), static_cast<gssize>(clean.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

const std::string& ResolvedFamily(const std::string& family) {
    static std::unordered_map<std::string, std::string> resolved;  // UI thread only
    auto found = resolved.find(family);
    if (found == resolved.end()) {
        found =
            resolved.emplace(family, ResolveFamily(family.empty() ? kDefaultFamily : family)).first;
    }
    return found->second;
}

PangoFontDescription* DescriptionOf(const richtext::CharFormat& format, double scale) {
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, ResolvedFamily(format.family).c_str());
    const double points = std::isfinite(format.sizePoints) && format.sizePoints > 0.0f
                              ? std::min<double>(format.sizePoints, 1638.0)
                              : 12.0;
    pango_font_description_set_absolute_size(description,
                                             points * kPixelsPerPoint * scale * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      format.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description,
                                     format.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
}

void InsertRange(PangoAttrList* list, PangoAttribute* attribute, size_t start, size_t end) {
    attribute->start_index = static_cast<guint>(start);
    attribute->end_index = static_cast<guint>(end);
    pango_attr_list_insert(list, attribute);
}

// The tallest line of a laid-out paragraph, in pango units.
int TallestLine(PangoLayout* layout) {
    int tallest = 0;
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    do {
        int y0 = 0;
        int y1 = 0;
        pango_layout_iter_get_line_yrange(iter, &y0, &y1);
        tallest = std::max(tallest, y1 - y0);
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    return tallest;
}

}  // namespace

RichView::RichView(const richtext::Document& document, double scale) : scale_(scale) {
    // An empty paragraph keeps the height of the format before it, as an editor shows it.
    richtext::CharFormat lastFormat;
    for (const richtext::Paragraph& paragraph : document.paragraphs) {
        Block block;
        block.format = paragraph.format;
        block.start = text_.size();
        if (!blocks_.empty()) {
            ++block.start;  // the '\n' between paragraphs
            text_ += '\n';
        }
        block.layout = pango_layout_new(SharedPangoContext());
        PangoAttrList* attributes = NewLayoutAttributes();
        std::string text;
        for (const richtext::Run& run : paragraph.runs) {
            const std::string piece = CleanText(run.text);
            if (piece.empty()) {
                continue;
            }
            const richtext::CharFormat& f = run.format;
            const size_t start = text.size();
            const size_t end = start + piece.size();
            text += piece;
            PangoFontDescription* description = DescriptionOf(f, scale_);
            InsertRange(attributes, pango_attr_font_desc_new(description), start, end);
            pango_font_description_free(description);
            if (f.underline) {
                InsertRange(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), start,
                            end);
            }
            if (f.color.r || f.color.g || f.color.b) {
                InsertRange(
                    attributes,
                    pango_attr_foreground_new(f.color.r * 257, f.color.g * 257, f.color.b * 257),
                    start, end);
            }
            lastFormat = f;
        }
        PangoFontDescription* base = DescriptionOf(lastFormat, scale_);
        pango_layout_set_font_description(block.layout, base);
        pango_font_description_free(base);
        pango_layout_set_text(block.layout, text.data(), static_cast<int>(text.size()));
        text_ += text;
        block.length = text.size();

        const richtext::ParagraphFormat& format = paragraph.format;
        if (format.lineSpacingMultiple && format.lineSpacing > 0) {
            pango_layout_set_line_spacing(block.layout, format.lineSpacing / 240.0f);
        } else if (format.lineSpacing != 0) {
            const int wanted = TwipsToPixels(std::abs(format.lineSpacing), scale_) * PANGO_SCALE;
            // "At least" only ever raises a line; "exactly" sets it.
            bool raise = format.lineSpacing < 0;
            if (!raise) {
                pango_layout_set_attributes(block.layout, attributes);
                raise = TallestLine(block.layout) < wanted;
                pango_layout_set_attributes(block.layout, nullptr);
            }
            if (raise) {
                pango_attr_list_insert(attributes, pango_attr_line_height_new_absolute(wanted));
            }
        }
        pango_layout_set_attributes(block.layout, attributes);
        pango_attr_list_unref(attributes);
        pango_layout_set_wrap(block.layout, PANGO_WRAP_WORD_CHAR);
        switch (format.alignment) {
            case richtext::Alignment::Justify:
                pango_layout_set_justify(block.layout, TRUE);
                break;
            case richtext::Alignment::Center:
                pango_layout_set_alignment(block.layout, PANGO_ALIGN_CENTER);
                break;
            case richtext::Alignment::Right:
                pango_layout_set_alignment(block.layout, PANGO_ALIGN_RIGHT);
                break;
            case richtext::Alignment::Left:
                break;
        }
        // A hanging first line starts left of the indent and its first tab stops at the
        // indent, where the lines after it start: the layout of bullets and numbers.
        const int first = TwipsToPixels(format.firstLineIndent, scale_);
        pango_layout_set_indent(block.layout, first * PANGO_SCALE);
        if (first < 0) {
            PangoTabArray* tabs =
                pango_tab_array_new_with_positions(1, TRUE, PANGO_TAB_LEFT, -first);
            pango_layout_set_tabs(block.layout, tabs);
            pango_tab_array_free(tabs);
        }
        blocks_.push_back(block);
    }
}

RichView::~RichView() {
    for (Block& block : blocks_) {
        g_object_unref(block.layout);
    }
}

void RichView::SetWidth(int width) {
    if (width == width_) {
        return;
    }
    width_ = width;
    int y = 0;
    for (Block& block : blocks_) {
        const richtext::ParagraphFormat& format = block.format;
        const int left = TwipsToPixels(format.leftIndent, scale_) +
                         std::min(0, TwipsToPixels(format.firstLineIndent, scale_));
        const int right = width - TwipsToPixels(format.rightIndent, scale_);
        block.x = left;
        pango_layout_set_width(block.layout, std::max(1, right - left) * PANGO_SCALE);
        y += TwipsToPixels(format.spaceBefore, scale_);
        block.y = y;
        PangoRectangle logical;
        pango_layout_get_extents(block.layout, nullptr, &logical);
        block.height = PANGO_PIXELS_CEIL(logical.y + logical.height);
        y += block.height + TwipsToPixels(format.spaceAfter, scale_);
    }
    height_ = y;
}

int RichView::ContentHeight() {
    return height_;
}

void RichView::Paint(cairo_t* cr, Point origin, const Rect& visible, const TextRange& selection,
                     bool /*showCaret*/) {
    cairo_save(cr);
    for (const Block& block : blocks_) {
        const Point at{origin.x + block.x, origin.y + block.y};
        if (at.y + block.height <= visible.y) {
            continue;
        }
        if (at.y >= visible.Bottom()) {
            break;
        }
        const size_t end = block.start + block.length;
        if (!selection.IsEmpty() && selection.Start() <= end && selection.End() > block.start) {
            const size_t from = std::max(selection.Start(), block.start) - block.start;
            // A selection that runs on past the paragraph takes the rest of its last line.
            const size_t to =
                selection.End() > end ? block.length + 1 : selection.End() - block.start;
            PaintLayoutSelection(cr, block.layout, at, static_cast<int>(from),
                                 static_cast<int>(to));
        }
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_move_to(cr, at.x, at.y);
        pango_cairo_show_layout(cr, block.layout);
    }
    cairo_restore(cr);
}

size_t RichView::OffsetAt(Point point) {
    if (blocks_.empty() || point.y < blocks_.front().y) {
        return 0;
    }
    for (const Block& block : blocks_) {
        if (point.y >= block.y + block.height) {
            continue;
        }
        if (point.y < block.y) {
            return block.start;  // in the space before the paragraph
        }
        int index = 0;
        int trailing = 0;
        pango_layout_xy_to_index(block.layout, (point.x - block.x) * PANGO_SCALE,
                                 (point.y - block.y) * PANGO_SCALE, &index, &trailing);
        size_t offset = static_cast<size_t>(index);
        const std::string& text = text_;
        for (; trailing > 0; --trailing) {
            offset = NextCharacter(text, block.start + offset) - block.start;
        }
        return block.start + std::min(offset, block.length);
    }
    return text_.size();
}

}  // namespace platform::backend

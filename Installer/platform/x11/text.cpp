// Fonts and text on pango: family lookup with a pinned sans-serif fallback, measuring and drawing
// laid-out text with the typographic rules the toolkit expects (tight logical boxes, word wrap,
// whole lines only, no clipping).
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/x11/canvas_impl.h"
#include "platform/x11/text_fonts.h"

namespace platform {

struct Font::Impl {
    PangoFontDescription* description = nullptr;  // null: the font is invalid
    bool underline = false;
    std::string family;

    ~Impl() {
        if (description) {
            pango_font_description_free(description);
        }
    }
};

namespace {

// DejaVu Sans is what the setup installs and what Debian's "sans-serif" means; naming it first
// keeps sizes the same whatever the desktop prefers. The generic alias only helps a machine
// without it.
constexpr const char* kPinnedSansSerif = "DejaVu Sans";
constexpr const char* kGenericSansSerif = "sans-serif";

struct FontLoading {
    std::once_flag started;
    std::once_flag finished;
    std::thread thread;
};

FontLoading& Loading() {
    static auto* loading = new FontLoading;  // a thread never joined must not end the process
    return *loading;
}

// Whether fontconfig knows a font of exactly this family (case and blanks ignored), as a lookup
// in the installed fonts would. An empty name asks whether any font is installed at all.
bool IsFamilyInstalled(const std::string& family) {
    static std::unordered_map<std::string, bool> known;  // UI thread only
    auto found = known.find(family);
    if (found != known.end()) {
        return found->second;
    }
    backend::WaitForFonts();
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    bool installed = fonts && fonts->nfont > 0;
    if (fonts) {
        FcFontSetDestroy(fonts);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    known.emplace(family, installed);
    return installed;
}

// Families that documents name and Debian lacks, with the metric-compatible fonts it has instead.
const char* Substitute(const std::string& family) {
    static const std::pair<const char*, const char*> kSubstitutes[] = {
        {"Arial", "Liberation Sans"},
        {"Calibri", "Carlito"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    for (const auto& [name, substitute] : kSubstitutes) {
        if (g_ascii_strcasecmp(name, family.c_str()) == 0) {
            return substitute;
        }
    }
    return nullptr;
}

}  // namespace

namespace backend {

void StartLoadingFonts() {
    std::call_once(Loading().started, [] {
        try {
            Loading().thread = std::thread([] { FcInit(); });
        } catch (const std::system_error&) {
            // Without a thread to spare, the first text loads the configuration itself.
        }
    });
}

void WaitForFonts() {
    StartLoadingFonts();
    std::call_once(Loading().finished, [] {
        if (Loading().thread.joinable()) {
            Loading().thread.join();
        } else {
            FcInit();  // no thread could be started: loaded here instead
        }
    });
}

std::string ResolveFamily(const std::string& family) {
    if (!family.empty() && IsFamilyInstalled(family)) {
        return family;
    }
    if (const char* substitute = Substitute(family); substitute && IsFamilyInstalled(substitute)) {
        return substitute;
    }
    if (IsFamilyInstalled(kPinnedSansSerif)) {
        return kPinnedSansSerif;
    }
    return IsFamilyInstalled("") ? kGenericSansSerif : "";
}

// One context for every layout: fixed font options, so that a measuring canvas and a window
// canvas agree to the pixel. Metrics are hinted, which keeps advances and line heights whole.
PangoAttrList* NewLayoutAttributes() {
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
    return attributes;
}

PangoContext* SharedPangoContext() {
    static PangoContext* context = [] {
        WaitForFonts();
        PangoContext* c = pango_font_map_create_context(pango_cairo_font_map_get_default());
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(c, options);
        cairo_font_options_destroy(options);
        return c;
    }();
    return context;
}

}  // namespace backend

namespace {

// Text as it reaches the layout: cut at the first NUL, invalid UTF-8 turned into U+FFFD.
std::string SanitizedText(const std::string& utf8) {
    std::string text = utf8.substr(0, utf8.find('\0'));
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return text;
    }
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

// The last layout is kept: painters measure and then draw the same text, and layout is the
// expensive part.
class LayoutCache {
  public:
    PangoLayout* Get(const PangoFontDescription* description, bool underline,
                     const std::string& text, int wrapWidth) {
        if (!layout_) {
            layout_ = pango_layout_new(backend::SharedPangoContext());
            pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
            SetAttributes(false);
        }
        if (!description_ || !pango_font_description_equal(description_, description)) {
            if (description_) {
                pango_font_description_free(description_);
            }
            description_ = pango_font_description_copy(description);
            pango_layout_set_font_description(layout_, description_);
        }
        if (underline_ != underline) {
            SetAttributes(underline);
        }
        if (wrapWidth_ != wrapWidth) {
            wrapWidth_ = wrapWidth;
            pango_layout_set_width(layout_, wrapWidth > 0 ? wrapWidth * PANGO_SCALE : -1);
        }
        if (text_ != text) {
            text_ = text;
            pango_layout_set_text(layout_, text_.data(), static_cast<int>(text_.size()));
        }
        return layout_;
    }

  private:
    void SetAttributes(bool underline) {
        underline_ = underline;
        PangoAttrList* attributes = backend::NewLayoutAttributes();
        if (underline_) {
            pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        }
        pango_layout_set_attributes(layout_, attributes);
        pango_attr_list_unref(attributes);
    }

    PangoLayout* layout_ = nullptr;
    PangoFontDescription* description_ = nullptr;
    bool underline_ = false;
    int wrapWidth_ = 0;
    std::string text_;
};

LayoutCache& SharedLayoutCache() {
    static LayoutCache cache;  // UI thread only; lives until the process ends
    return cache;
}

// One laid-out line, in pango units relative to the layout's top left.
struct LineBox {
    PangoLayoutLine* line;
    int x;
    int width;
    int baseline;
};

// The lines that lie wholly inside the layout height (all of them when the height is not
// positive), with their total height.
struct LaidOutText {
    std::vector<LineBox> lines;
    int width = 0;
    int height = 0;
};

// Text is laid out in the window's pixels, at the font's size times the scale, so that glyphs
// are hinted and drawn at the size they are seen; `layout` is in pixels too.
LaidOutText LayOut(const Font::Impl& font, const std::string& utf8, Size layout, double scale) {
    LaidOutText result;
    std::string text = SanitizedText(utf8);
    if (!font.description || text.empty()) {
        return result;
    }
    PangoFontDescription* scaled = nullptr;
    if (scale != 1.0) {
        scaled = pango_font_description_copy(font.description);
        pango_font_description_set_absolute_size(
            scaled, pango_font_description_get_size(font.description) * scale);
    }
    PangoLayout* pango = SharedLayoutCache().Get(scaled ? scaled : font.description, font.underline,
                                                 text, layout.width);
    if (scaled) {
        pango_font_description_free(scaled);
    }
    const int heightLimit = layout.height > 0 ? layout.height * PANGO_SCALE : -1;
    PangoLayoutIter* iter = pango_layout_get_iter(pango);
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iter, nullptr, &logical);
        int bottom = logical.y + logical.height;
        if (heightLimit >= 0 && bottom > heightLimit) {
            break;
        }
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
        result.lines.push_back(
            {line, logical.x, logical.width, pango_layout_iter_get_baseline(iter)});
        result.width = std::max(result.width, logical.x + logical.width);
        result.height = bottom;
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    return result;
}

int CeilPixels(int pangoUnits) {
    return (pangoUnits + PANGO_SCALE - 1) / PANGO_SCALE;
}

// A logical layout box in pixels: what measuring and drawing both wrap and cut at.
Size LayoutPixels(Size logical, double scale) {
    return {static_cast<int>(std::lround(logical.width * scale)),
            static_cast<int>(std::lround(logical.height * scale))};
}

int CeilUnits(int pixels, double scale) {
    return static_cast<int>(std::ceil(pixels / scale - 1e-9));
}

}  // namespace

Font::Font(const std::string& familyUtf8, float sizePixels, int styleBits)
    : impl_(std::make_unique<Impl>()) {
    if (!(sizePixels > 0.0f) || !std::isfinite(sizePixels)) {
        return;
    }
    impl_->family = backend::ResolveFamily(familyUtf8);
    if (impl_->family.empty()) {
        return;  // no fonts at all: text draws nothing
    }
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, impl_->family.c_str());
    pango_font_description_set_absolute_size(description, sizePixels * PANGO_SCALE);
    pango_font_description_set_weight(
        description, (styleBits & kFontBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(
        description, (styleBits & kFontItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    impl_->description = description;
    impl_->underline = (styleBits & kFontUnderline) != 0;
}

Font::~Font() = default;

const PangoFontDescription* backend::DescriptionOf(const Font& font) {
    return font.impl().description;
}

bool Font::IsValid() const {
    return impl_->description != nullptr;
}

std::string Font::ResolvedFamily() const {
    return impl_->family;
}

Size Canvas::MeasureText(const Font& font, const std::string& utf8, Size layout) {
    const double scale = impl_->grid.Scale();
    LaidOutText text = LayOut(font.impl(), utf8, LayoutPixels(layout, scale), scale);
    return Size{CeilUnits(CeilPixels(text.width), scale),
                CeilUnits(CeilPixels(text.height), scale)};
}

void Canvas::DrawText(const Font& font, const std::string& utf8, const Rect& logicalBox,
                      int alignBits, Rgba color) {
    cairo_t* cr = impl_ ? impl_->cr : nullptr;
    if (!cr) {
        return;
    }
    const double scale = impl_->grid.Scale();
    const Rect box = impl_->grid.ToPixels(logicalBox);
    const Size layout =
        LayoutPixels({std::max(logicalBox.width, 0), std::max(logicalBox.height, 0)}, scale);
    LaidOutText text = LayOut(font.impl(), utf8, layout, scale);
    if (text.lines.empty()) {
        return;
    }
    // Alignment works on the box even when it is zero: centred text then sits centred on the
    // box's corner and right-aligned text ends there.
    const int boxWidth = std::max(box.width, 0) * PANGO_SCALE;
    const int top = (alignBits & kTextAlignMiddle)
                        ? (std::max(box.height, 0) * PANGO_SCALE - text.height) / 2
                        : 0;
    cairo_save(cr);
    cairo_set_source_rgba(cr, color.r / 255.0, color.g / 255.0, color.b / 255.0, color.a / 255.0);
    for (const LineBox& line : text.lines) {
        int left = line.x;
        if (alignBits & kTextAlignRight) {
            left = boxWidth - line.width;
        } else if (alignBits & kTextAlignCenter) {
            left = (boxWidth - line.width) / 2;
        }
        // Whole-pixel pen positions keep hinted glyphs sharp.
        cairo_move_to(cr, box.x + PANGO_PIXELS(left), box.y + PANGO_PIXELS(top + line.baseline));
        pango_cairo_show_layout_line(cr, line.line);
    }
    cairo_restore(cr);
}

}  // namespace platform

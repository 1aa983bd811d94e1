// Fonts and text on GDI+: a family by name with a fallback that always ends on an installed font,
// and measuring and drawing with the generic typographic format (tight boxes, word wrap, whole
// lines only, no clipping).
#include <cmath>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/Unicode.h"
#include "platform/win32/canvas_impl.h"
#include "platform/win32/font_impl.h"

namespace platform {

namespace gdip = Gdiplus::DllExports;

namespace {

// Tried after the requested family and the system's own sans-serif: the families the program
// names, then the metric-compatible and common free fonts that Wine finds on a Linux host.
constexpr const wchar_t* kFallbackFamilies[] = {L"Tahoma", L"Arial", L"Liberation Sans",
                                                L"DejaVu Sans"};

std::wstring FamilyName(Gdiplus::GpFontFamily* family) {
    WCHAR name[LF_FACESIZE] = {};
    return gdip::GdipGetFamilyName(family, name, LANG_NEUTRAL) == Gdiplus::Ok ? name : L"";
}

// Empty when the system has none, as Wine without its own fonts has not. Asked once: Wine makes
// a new family on every call.
const std::wstring& GenericSansSerifName() {
    static const std::wstring name = [] {
        Gdiplus::GpFontFamily* family = nullptr;
        if (gdip::GdipGetGenericFontFamilySansSerif(&family) != Gdiplus::Ok || !family) {
            return std::wstring();
        }
        return FamilyName(family);  // the shared family: never deleted
    }();
    return name;
}

// In the order the system lists them.
std::vector<std::wstring> InstalledFamilyNames() {
    Gdiplus::GpFontCollection* collection = nullptr;
    INT count = 0;
    if (gdip::GdipNewInstalledFontCollection(&collection) != Gdiplus::Ok ||
        gdip::GdipGetFontCollectionFamilyCount(collection, &count) != Gdiplus::Ok || count <= 0) {
        return {};
    }
    std::vector<Gdiplus::GpFontFamily*> families(count);
    INT found = 0;
    if (gdip::GdipGetFontCollectionFamilyList(collection, count, families.data(), &found) !=
        Gdiplus::Ok) {
        return {};
    }
    std::vector<std::wstring> names;
    for (INT i = 0; i < found && i < count; ++i) {
        names.push_back(FamilyName(families[i]));  // the collection's own: not deleted
    }
    return names;
}

// The font, or null when the family is not installed or lacks the style. `used` receives the
// family's own spelling of its name.
Gdiplus::GpFont* MakeFont(const std::wstring& familyName, float sizePixels, int gdiplusStyle,
                          std::wstring* used) {
    if (familyName.empty()) {
        return nullptr;  // an empty name faults inside Wine's lookup
    }
    Gdiplus::GpFontFamily* family = nullptr;
    if (gdip::GdipCreateFontFamilyFromName(familyName.c_str(), nullptr, &family) != Gdiplus::Ok) {
        return nullptr;
    }
    Gdiplus::GpFont* font = nullptr;
    if (gdip::GdipCreateFont(family, sizePixels, gdiplusStyle, Gdiplus::UnitPixel, &font) !=
        Gdiplus::Ok) {
        font = nullptr;
    } else {
        *used = FamilyName(family);
    }
    gdip::GdipDeleteFontFamily(family);
    return font;
}

// Walks the fallbacks until one makes the font. Lookups of missing families are slow (Wine
// enumerates every font each time) and fonts are made on every paint, so the family that worked
// is remembered for each request.
Gdiplus::GpFont* MakeFontWithFallback(const std::wstring& requested, float sizePixels,
                                      int gdiplusStyle, std::wstring* used) {
    static std::mutex mutex;
    static std::map<std::pair<std::wstring, int>, std::wstring> resolved;
    const std::lock_guard<std::mutex> lock(mutex);
    const auto key = std::make_pair(requested, gdiplusStyle);
    if (auto known = resolved.find(key); known != resolved.end()) {
        if (Gdiplus::GpFont* font = MakeFont(known->second, sizePixels, gdiplusStyle, used)) {
            return font;
        }
    }
    std::vector<std::wstring> candidates{requested, GenericSansSerifName()};
    candidates.insert(candidates.end(), std::begin(kFallbackFamilies), std::end(kFallbackFamilies));
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::wstring& candidate : candidates) {
            if (Gdiplus::GpFont* font = MakeFont(candidate, sizePixels, gdiplusStyle, used)) {
                resolved[key] = *used;
                return font;
            }
        }
        // A system with none of the usual fonts still has some.
        candidates = InstalledFamilyNames();
    }
    return nullptr;
}

int GdiplusStyle(int styleBits) {
    int style = Gdiplus::FontStyleRegular;
    if (styleBits & kFontBold) {
        style |= Gdiplus::FontStyleBold;
    }
    if (styleBits & kFontItalic) {
        style |= Gdiplus::FontStyleItalic;
    }
    if (styleBits & kFontUnderline) {
        style |= Gdiplus::FontStyleUnderline;
    }
    return style;
}

// Tight boxes, word wrap, whole lines only, no clipping; shared by GDI+, never deleted.
Gdiplus::GpStringFormat* TypographicFormat() {
    static Gdiplus::GpStringFormat* const format = [] {
        Gdiplus::GpStringFormat* shared = nullptr;
        return gdip::GdipStringFormatGetGenericTypographic(&shared) == Gdiplus::Ok ? shared
                                                                                   : nullptr;
    }();
    return format;
}

// A private copy of the typographic format, deleted with its owner.
class StringFormat {
  public:
    explicit StringFormat(Canvas::Impl& canvas) {
        if (Gdiplus::GpStringFormat* shared = TypographicFormat()) {
            backend::Succeeded(canvas, gdip::GdipCloneStringFormat(shared, &m_format));
        }
    }
    ~StringFormat() {
        if (m_format) {
            gdip::GdipDeleteStringFormat(m_format);
        }
    }
    StringFormat(const StringFormat&) = delete;
    StringFormat& operator=(const StringFormat&) = delete;

    Gdiplus::GpStringFormat* get() const { return m_format; }

  private:
    Gdiplus::GpStringFormat* m_format = nullptr;
};

// Text as GDI+ takes it: cut at the first NUL, ill-formed UTF-8 turned into U+FFFD.
std::wstring WideText(const std::string& utf8) {
    return Utf8ToUtf16(std::string_view(utf8).substr(0, utf8.find('\0')));
}

// The font at the canvas's scale: text is laid out and drawn at the size it is seen, so that
// glyphs are fitted to the pixels they land on.
class ScaledFont {
  public:
    ScaledFont(const Font::Impl& font, double scale) : font_(font.font) {
        if (font.font && scale != 1.0) {
            std::wstring used;
            scaled_ = MakeFont(font.family, static_cast<float>(font.sizePixels * scale),
                               GdiplusStyle(font.styleBits), &used);
        }
    }
    ~ScaledFont() {
        if (scaled_) {
            gdip::GdipDeleteFont(scaled_);
        }
    }
    ScaledFont(const ScaledFont&) = delete;
    ScaledFont& operator=(const ScaledFont&) = delete;

    Gdiplus::GpFont* get() const { return scaled_ ? scaled_ : font_; }

  private:
    Gdiplus::GpFont* font_;
    Gdiplus::GpFont* scaled_ = nullptr;
};

// A logical layout size in pixels: what measuring and drawing both wrap and cut at.
int32_t LayoutPixels(int32_t logical, double scale) {
    return static_cast<int32_t>(std::lround(logical * scale));
}

Gdiplus::RectF LayoutBox(float x, float y, int32_t width, int32_t height) {
    // Zero means unbounded; a negative size is taken as zero.
    return Gdiplus::RectF(x, y, static_cast<Gdiplus::REAL>(width > 0 ? width : 0),
                          static_cast<Gdiplus::REAL>(height > 0 ? height : 0));
}

}  // namespace

Font::Impl::~Impl() {
    if (font) {
        gdip::GdipDeleteFont(font);
    }
}

Font::Font(const std::string& familyUtf8, float sizePixels, int styleBits)
    : impl_(std::make_unique<Impl>()) {
    impl_->sizePixels = sizePixels;
    impl_->styleBits = styleBits & (kFontBold | kFontItalic | kFontUnderline);
    if (!(sizePixels > 0.0f) || !std::isfinite(sizePixels) || !backend::GdiplusReady()) {
        return;
    }
    impl_->font = MakeFontWithFallback(Utf8ToUtf16(familyUtf8), sizePixels,
                                       GdiplusStyle(impl_->styleBits), &impl_->family);
    if (!impl_->font) {
        impl_->family.clear();
    }
}

Font::~Font() = default;

bool Font::IsValid() const {
    return impl_->font != nullptr;
}

std::string Font::ResolvedFamily() const {
    return Utf16ToUtf8(impl_->family);
}

Size Canvas::MeasureText(const Font& font, const std::string& utf8, Size layout) {
    const double scale = impl_->grid.Scale();
    const ScaledFont scaled(font.impl(), scale);
    Gdiplus::GpFont* gpFont = scaled.get();
    const std::wstring text = WideText(utf8);
    if (!impl_->graphics || !gpFont || text.empty()) {
        return {};
    }
    StringFormat format(*impl_);
    const Gdiplus::RectF box = LayoutBox(0.0f, 0.0f, LayoutPixels(layout.width, scale),
                                         LayoutPixels(layout.height, scale));
    Gdiplus::RectF bounds;
    if (!format.get() ||
        !backend::Succeeded(
            *impl_, gdip::GdipSetTextRenderingHint(impl_->graphics,
                                                   Gdiplus::TextRenderingHintClearTypeGridFit)) ||
        !backend::Succeeded(
            *impl_,
            gdip::GdipMeasureString(impl_->graphics, text.c_str(), static_cast<INT>(text.size()),
                                    gpFont, &box, format.get(), &bounds, nullptr, nullptr))) {
        return {};
    }
    return Size{static_cast<int32_t>(std::ceil(std::ceil(bounds.Width) / scale - 1e-9)),
                static_cast<int32_t>(std::ceil(std::ceil(bounds.Height) / scale - 1e-9))};
}

void Canvas::DrawText(const Font& font, const std::string& utf8, const Rect& logicalBox,
                      int alignBits, Rgba color) {
    const double scale = impl_->grid.Scale();
    const ScaledFont scaled(font.impl(), scale);
    Gdiplus::GpFont* gpFont = scaled.get();
    const Rect box = impl_->grid.ToPixels(logicalBox);
    const std::wstring text = WideText(utf8);
    if (!impl_->graphics || !gpFont || text.empty() || color.IsEmpty()) {
        return;
    }
    StringFormat format(*impl_);
    if (!format.get()) {
        return;
    }
    // Right wins over centre when both are asked for.
    Gdiplus::StringAlignment horizontal = Gdiplus::StringAlignmentNear;
    if (alignBits & kTextAlignCenter) {
        horizontal = Gdiplus::StringAlignmentCenter;
    }
    if (alignBits & kTextAlignRight) {
        horizontal = Gdiplus::StringAlignmentFar;
    }
    const Gdiplus::StringAlignment vertical = (alignBits & kTextAlignMiddle)
                                                  ? Gdiplus::StringAlignmentCenter
                                                  : Gdiplus::StringAlignmentNear;
    Gdiplus::GpSolidFill* brush = nullptr;
    if (!backend::Succeeded(*impl_, gdip::GdipSetStringFormatAlign(format.get(), horizontal)) ||
        !backend::Succeeded(*impl_, gdip::GdipSetStringFormatLineAlign(format.get(), vertical)) ||
        !backend::Succeeded(
            *impl_, gdip::GdipSetTextRenderingHint(impl_->graphics,
                                                   Gdiplus::TextRenderingHintClearTypeGridFit)) ||
        !backend::Succeeded(*impl_, gdip::GdipCreateSolidFill(color.Argb(), &brush))) {
        return;
    }
    const Gdiplus::RectF layout =
        LayoutBox(static_cast<Gdiplus::REAL>(box.x), static_cast<Gdiplus::REAL>(box.y),
                  LayoutPixels(logicalBox.width, scale), LayoutPixels(logicalBox.height, scale));
    backend::Succeeded(
        *impl_, gdip::GdipDrawString(impl_->graphics, text.c_str(), static_cast<INT>(text.size()),
                                     gpFont, &layout, format.get(), brush));
    gdip::GdipDeleteBrush(brush);
}

}  // namespace platform

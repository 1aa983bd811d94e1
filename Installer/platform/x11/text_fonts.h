// Font lookup shared by the plain and rich text of the Linux backend.
#pragma once

#include <pango/pango.h>

#include <string>

namespace platform {
class Font;
}

namespace platform::backend {

// Loading the font configuration costs about as much as drawing a whole window. It starts on a
// thread of its own once the display is open, and text waits for it only when first needed.
void StartLoadingFonts();
// Returns once the configuration is loaded. Until then the loading thread reads the environment,
// so nothing may change it (setenv) in the meantime.
void WaitForFonts();

// The installed family that stands in for `family`: the family itself, its metric-compatible
// Debian substitute (Arial: Liberation Sans, Calibri: Carlito), or the pinned sans-serif. Empty
// when no font is installed at all.
std::string ResolveFamily(const std::string& family);

// The one pango context every layout uses, so that measuring and drawing agree to the pixel.
PangoContext* SharedPangoContext();

// A new attribute list for a layout, to be unreferenced by the caller. Pango would otherwise draw
// a hyphen where it wraps inside a word, and a path or folder name shown with a hyphen that is
// not in it names another place.
PangoAttrList* NewLayoutAttributes();

// The font's pango description; null for an invalid font.
const PangoFontDescription* DescriptionOf(const Font& font);

}  // namespace platform::backend

// The document's font and colour tables as an RTF header defines them, and what a font number
// or colour index in the text then means.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/rich_document.h"

namespace richtext {

// How the bytes written in a font become characters.
enum class FontEncoding { Cp1252, Symbol, SymbolCharset };

struct FontUse {
    std::string_view family;  // empty: the view's own font
    FontEncoding encoding = FontEncoding::Cp1252;
};

class RtfFontTable {
  public:
    // "\fN" inside the table: the font that the following name and charset describe.
    void Define(int32_t number);
    void SetCharset(int32_t charset);
    // A byte of the name, up to its ';'.
    void TakeNameByte(unsigned char byte);
    void TakeNameCharacter(char32_t c);

    // The Symbol font's characters are mapped to Unicode, which the view's own font shows.
    FontUse Use(int32_t number) const;

  private:
    struct Font {
        std::string name;
        int32_t charset = 0;
        bool nameDone = false;
    };
    Font& Defined() { return m_fonts[m_defined]; }

    std::map<int32_t, Font> m_fonts;
    int32_t m_defined = 0;
};

class RtfColourTable {
  public:
    // Components of the entry that the next ';' ends; out-of-range values are clamped.
    void SetRed(int32_t value);
    void SetGreen(int32_t value);
    void SetBlue(int32_t value);
    void TakeByte(unsigned char byte);

    // Nothing for the automatic colour: an entry without components, or no entry at all.
    std::optional<Rgba> Colour(int32_t index) const;

  private:
    std::vector<std::optional<Rgba>> m_colours;
    Rgba m_entry{0, 0, 0, 255};
    bool m_entrySet = false;
};

}  // namespace richtext

// Font and colour tables of RTF documents.
#include "richtext/rtf_tables.h"

#include <algorithm>

#include "richtext/rtf_charsets.h"
#include "unicode/Utf8.h"

namespace richtext {
namespace {

constexpr int32_t kSymbolCharset = 2;
constexpr size_t kMaxFontNameBytes = 256;

bool IsSymbolFontName(std::string_view name) {
    constexpr std::string_view kSymbol = "symbol";
    return std::equal(name.begin(), name.end(), kSymbol.begin(), kSymbol.end(),
                      [](char a, char b) { return (a | 0x20) == b; });
}

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

uint8_t Component(int32_t value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

}  // namespace

void RtfFontTable::Define(int32_t number) {
    m_defined = number;
    Defined();
}

void RtfFontTable::SetCharset(int32_t charset) {
    Defined().charset = charset;
}

void RtfFontTable::TakeNameByte(unsigned char byte) {
    if (byte == ';') {
        Defined().nameDone = true;
    } else if (byte >= 0x20) {
        TakeNameCharacter(DecodeCp1252(byte));
    }
}

void RtfFontTable::TakeNameCharacter(char32_t c) {
    Font& font = Defined();
    if (!font.nameDone && font.name.size() < kMaxFontNameBytes) {
        unicode::AppendUtf8(c >= 0xD800 && c < 0xE000 ? unicode::kReplacementCharacter : c,
                            &font.name);
    }
}

FontUse RtfFontTable::Use(int32_t number) const {
    const auto font = m_fonts.find(number);
    if (font == m_fonts.end()) {
        return {};
    }
    const std::string_view name = Trim(font->second.name);
    if (IsSymbolFontName(name)) {
        return {{}, FontEncoding::Symbol};
    }
    // Other symbol fonts (Wingdings and the like) place their characters in the private use
    // area, as Windows does, and keep their family, which gives them their look.
    return {name, font->second.charset == kSymbolCharset ? FontEncoding::SymbolCharset
                                                         : FontEncoding::Cp1252};
}

void RtfColourTable::SetRed(int32_t value) {
    m_entry.r = Component(value);
    m_entrySet = true;
}

void RtfColourTable::SetGreen(int32_t value) {
    m_entry.g = Component(value);
    m_entrySet = true;
}

void RtfColourTable::SetBlue(int32_t value) {
    m_entry.b = Component(value);
    m_entrySet = true;
}

void RtfColourTable::TakeByte(unsigned char byte) {
    if (byte != ';') {
        return;
    }
    m_colours.push_back(m_entrySet ? std::optional<Rgba>(m_entry) : std::nullopt);
    m_entry = Rgba{0, 0, 0, 255};
    m_entrySet = false;
}

std::optional<Rgba> RtfColourTable::Colour(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_colours.size()) {
        return std::nullopt;
    }
    return m_colours[static_cast<size_t>(index)];
}

}  // namespace richtext

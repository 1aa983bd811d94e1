// The two single-byte encodings that rich-edit documents use: Windows code page 1252 and the
// Symbol font's own encoding, decoded to Unicode.
#pragma once

namespace richtext {

// Every byte has a meaning; the five bytes that code page 1252 leaves undefined give U+FFFD.
char32_t DecodeCp1252(unsigned char byte);

// The Symbol font's characters (Greek letters, mathematical signs, arrows, the bullet at 0xB7)
// by their Unicode meaning; bytes the font leaves empty give U+FFFD.
char32_t DecodeSymbol(unsigned char byte);

}  // namespace richtext

// Splits RTF bytes into groups, control words, control symbols, hex escapes and text, with no
// meaning attached. Any bytes are accepted; every call consumes input, so a pass is linear.
#pragma once

#include <cstdint>
#include <string_view>

namespace richtext {

struct RtfToken {
    enum class Kind { GroupStart, GroupEnd, Word, Symbol, Hex, Text };
    Kind kind = Kind::Text;
    // Word: the letters of the name. Text: bytes other than '\\', '{', '}', CR and LF.
    std::string_view text;
    // Word: the parameter, saturated to the int32 range; Symbol: the character; Hex: the byte.
    int32_t value = 0;
    bool hasValue = false;
};

class RtfTokenizer {
  public:
    explicit RtfTokenizer(std::string_view input) : m_input(input) {}

    // False at the end of the input. The data of "\binN" is stepped over here, since it may
    // hold any byte, braces included; the word itself is still returned.
    bool Next(RtfToken* token);

  private:
    void ReadControl(RtfToken* token);
    void ReadWord(RtfToken* token);

    std::string_view m_input;
    size_t m_pos = 0;
};

}  // namespace richtext

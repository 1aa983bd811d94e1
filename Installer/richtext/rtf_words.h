// The control words the RTF reader acts on; any other word is ignored, as the format asks.
#pragma once

#include <optional>
#include <string_view>

namespace richtext {

enum class RtfWord {
    AlignCenter,
    AlignJustify,
    AlignLeft,
    AlignRight,
    Blue,
    Bold,
    Cell,
    Character,
    ColourIndex,
    ColourTable,
    DefaultFont,
    FirstIndent,
    Font,
    FontCharset,
    FontSize,
    FontTable,
    Green,
    Hidden,
    Italic,
    KeepDestination,
    LeftIndent,
    LineMultiple,
    LineSpacing,
    Paragraph,
    ParagraphDefaults,
    Plain,
    Red,
    RightIndent,
    Row,
    SkipDestination,
    SpaceAfter,
    SpaceBefore,
    Underline,
    UnderlineNone,
    Unicode,
    UnicodeSkip,
};

struct RtfWordInfo {
    RtfWord word;
    char32_t character = 0;  // for RtfWord::Character: the character the word stands for
};

std::optional<RtfWordInfo> FindRtfWord(std::string_view name);

}  // namespace richtext

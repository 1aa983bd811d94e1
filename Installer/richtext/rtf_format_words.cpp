// Paragraph and character formatting words, their values kept within what layout can take.
#include "richtext/rtf_format_words.h"

#include <algorithm>

namespace richtext {
namespace {

// Word processors accept indents and spacing up to 22 inches; larger values only break layout.
constexpr int32_t kMaxTwips = 31680;
constexpr int32_t kMaxHalfPoints = 3276;

int32_t ClampTwips(int32_t value) {
    return std::clamp(value, -kMaxTwips, kMaxTwips);
}

}  // namespace

bool ApplyParagraphWord(RtfWord word, int32_t value, bool on, ParagraphFormat& paragraph) {
    switch (word) {
        case RtfWord::ParagraphDefaults:
            paragraph = ParagraphFormat{};
            return true;
        case RtfWord::AlignLeft:
            paragraph.alignment = Alignment::Left;
            return true;
        case RtfWord::AlignRight:
            paragraph.alignment = Alignment::Right;
            return true;
        case RtfWord::AlignCenter:
            paragraph.alignment = Alignment::Center;
            return true;
        case RtfWord::AlignJustify:
            paragraph.alignment = Alignment::Justify;
            return true;
        case RtfWord::LeftIndent:
            paragraph.leftIndent = ClampTwips(value);
            return true;
        case RtfWord::RightIndent:
            paragraph.rightIndent = ClampTwips(value);
            return true;
        case RtfWord::FirstIndent:
            paragraph.firstLineIndent = ClampTwips(value);
            return true;
        case RtfWord::SpaceBefore:
            paragraph.spaceBefore = std::clamp(value, 0, kMaxTwips);
            return true;
        case RtfWord::SpaceAfter:
            paragraph.spaceAfter = std::clamp(value, 0, kMaxTwips);
            return true;
        case RtfWord::LineSpacing:
            paragraph.lineSpacing = ClampTwips(value);
            return true;
        case RtfWord::LineMultiple:
            paragraph.lineSpacingMultiple = on;
            return true;
        default:
            return false;
    }
}

bool ApplyCharacterWord(RtfWord word, int32_t value, bool on, int32_t defaultFont,
                        RtfCharState& chars) {
    switch (word) {
        case RtfWord::Plain:
            chars = RtfCharState{};
            chars.font = defaultFont;
            return true;
        case RtfWord::Font:
            chars.font = value;
            return true;
        case RtfWord::FontSize:
            chars.halfPoints = value > 0 ? std::min(value, kMaxHalfPoints) : kRtfDefaultHalfPoints;
            return true;
        case RtfWord::Bold:
            chars.bold = on;
            return true;
        case RtfWord::Italic:
            chars.italic = on;
            return true;
        case RtfWord::Underline:
            chars.underline = on;
            return true;
        case RtfWord::UnderlineNone:
            chars.underline = false;
            return true;
        case RtfWord::Hidden:
            chars.hidden = on;
            return true;
        case RtfWord::ColourIndex:
            chars.colour = value;
            return true;
        default:
            return false;
    }
}

}  // namespace richtext

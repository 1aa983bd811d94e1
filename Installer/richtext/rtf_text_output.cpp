// Text into the document builder, in the format of the group it was written in.
#include "richtext/rtf_text_output.h"

#include <optional>
#include <string>

#include "unicode/Utf8.h"

namespace richtext {

FontEncoding RtfTextOutput::Encoding(const RtfGroupState& group) {
    RefreshFormat(group);
    return m_encoding;
}

void RtfTextOutput::Emit(char32_t c, const RtfGroupState& group) {
    std::string utf8;
    unicode::AppendUtf8(c, &utf8);
    EmitText(utf8, group);
}

void RtfTextOutput::EmitText(std::string_view utf8, const RtfGroupState& group) {
    if (m_highSurrogate != 0) {
        FlushHighSurrogate(group);
    }
    RefreshFormat(group);
    if (group.chars.hidden) {
        return;
    }
    for (; m_pendingCells > 0; --m_pendingCells) {
        m_builder.Append("\t", group.paragraph);
    }
    m_builder.Append(utf8, group.paragraph);
}

void RtfTextOutput::EmitUnicode(char32_t c, const RtfGroupState& group) {
    if (c >= 0xD800 && c < 0xDC00) {
        FlushHighSurrogate(group);
        m_highSurrogate = c;
    } else if (c >= 0xDC00 && c < 0xE000) {
        const char32_t high = m_highSurrogate;
        m_highSurrogate = 0;
        Emit(high != 0 ? 0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00)
                       : unicode::kReplacementCharacter,
             group);
    } else {
        Emit(c, group);
    }
}

void RtfTextOutput::FlushHighSurrogate(const RtfGroupState& group) {
    if (m_highSurrogate != 0) {
        m_highSurrogate = 0;
        Emit(unicode::kReplacementCharacter, group);
    }
}

void RtfTextOutput::EndParagraph(const RtfGroupState& group) {
    FlushHighSurrogate(group);
    m_pendingCells = 0;
    m_builder.EndParagraph(group.paragraph);
}

void RtfTextOutput::EndRow(const RtfGroupState& group) {
    m_pendingCells = 0;  // the row's last cell ends with it, not with a tab
    EndParagraph(group);
}

void RtfTextOutput::RefreshFormat(const RtfGroupState& group) {
    if (!m_formatDirty) {
        return;
    }
    m_formatDirty = false;
    const RtfCharState& chars = group.chars;
    CharFormat format;
    const FontUse font = m_fonts.Use(chars.font);
    m_encoding = font.encoding;
    format.family = font.family;
    format.sizePoints = static_cast<float>(chars.halfPoints) / 2.0f;
    format.bold = chars.bold;
    format.italic = chars.italic;
    format.underline = chars.underline;
    if (const std::optional<Rgba> colour = m_colours.Colour(chars.colour)) {
        format.color = *colour;
    }
    m_builder.SetCharFormat(format);
}

}  // namespace richtext

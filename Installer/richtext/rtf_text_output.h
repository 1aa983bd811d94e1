// The RTF reader's text on its way into the document: characters in their group's format,
// the halves of a \u surrogate pair joined, table cells as tabs, hidden text left out.
#pragma once

#include <cstddef>
#include <string_view>

#include "richtext/rich_document.h"
#include "richtext/rich_document_builder.h"
#include "richtext/rtf_group_state.h"
#include "richtext/rtf_tables.h"

namespace richtext {

class RtfTextOutput {
  public:
    // The tables are the reader's, filled while it reads.
    RtfTextOutput(const RtfFontTable& fonts, const RtfColourTable& colours)
        : m_fonts(fonts), m_colours(colours) {}

    // The character state changed, or the group ended: the format is worked out again before
    // the next text.
    void MarkFormatChanged() { m_formatDirty = true; }
    // How the bytes of `group`'s text become characters, in its font as it stands now.
    FontEncoding Encoding(const RtfGroupState& group);

    void Emit(char32_t c, const RtfGroupState& group);
    void EmitText(std::string_view utf8, const RtfGroupState& group);
    // A character of "\uN": a leading surrogate waits for the trailing one that completes it.
    void EmitUnicode(char32_t c, const RtfGroupState& group);
    // A leading surrogate still waiting becomes U+FFFD.
    void FlushHighSurrogate(const RtfGroupState& group);

    // "\cell": a tab before the next text of the row.
    void AddCell() { ++m_pendingCells; }
    void EndParagraph(const RtfGroupState& group);
    void EndRow(const RtfGroupState& group);

    Document Finish() { return m_builder.Finish(); }

  private:
    void RefreshFormat(const RtfGroupState& group);

    const RtfFontTable& m_fonts;
    const RtfColourTable& m_colours;
    char32_t m_highSurrogate = 0;
    size_t m_pendingCells = 0;
    bool m_formatDirty = true;
    FontEncoding m_encoding = FontEncoding::Cp1252;
    DocumentBuilder m_builder;
};

}  // namespace richtext

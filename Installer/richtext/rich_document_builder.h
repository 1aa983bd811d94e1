// Collects styled text into paragraphs, joining text of equal format into one run.
#pragma once

#include <string_view>

#include "richtext/rich_document.h"

namespace richtext {

// C0 and C1 controls and DEL are not text; a tab is.
inline bool IsTextCharacter(char32_t c) {
    return c == '\t' || !(c < 0x20 || (c >= 0x7F && c < 0xA0));
}

class DocumentBuilder {
  public:
    // The format of the text appended from now on.
    void SetCharFormat(const CharFormat& format);
    // `paragraphFormat` is the format in effect at this text, kept for a last paragraph that
    // no paragraph mark ends.
    void Append(std::string_view utf8, const ParagraphFormat& paragraphFormat);
    void AppendCodePoint(char32_t c, const ParagraphFormat& paragraphFormat);
    void EndParagraph(const ParagraphFormat& format);
    // Ends a last paragraph that holds text; an empty one after the last mark is dropped.
    Document Finish();

  private:
    Document m_document;
    Paragraph m_paragraph;
    CharFormat m_format;
    bool m_formatChanged = true;
};

}  // namespace richtext

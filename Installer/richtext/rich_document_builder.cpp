// Paragraph and run assembly for the readers of rich and plain text.
#include "richtext/rich_document_builder.h"

#include <utility>

#include "unicode/Utf8.h"

namespace richtext {

void DocumentBuilder::SetCharFormat(const CharFormat& format) {
    m_format = format;
    m_formatChanged = true;
}

void DocumentBuilder::Append(std::string_view utf8, const ParagraphFormat& paragraphFormat) {
    if (utf8.empty()) {
        return;
    }
    m_paragraph.format = paragraphFormat;
    std::vector<Run>& runs = m_paragraph.runs;
    if (m_formatChanged && (runs.empty() || runs.back().format != m_format)) {
        runs.push_back(Run{std::string(), m_format});
    }
    m_formatChanged = false;
    runs.back().text.append(utf8);
}

void DocumentBuilder::AppendCodePoint(char32_t c, const ParagraphFormat& paragraphFormat) {
    std::string utf8;
    unicode::AppendUtf8(c, &utf8);
    Append(utf8, paragraphFormat);
}

void DocumentBuilder::EndParagraph(const ParagraphFormat& format) {
    m_paragraph.format = format;
    m_document.paragraphs.push_back(std::move(m_paragraph));
    m_paragraph = Paragraph{};
    m_formatChanged = true;
}

Document DocumentBuilder::Finish() {
    if (!m_paragraph.runs.empty()) {
        EndParagraph(m_paragraph.format);
    }
    return std::move(m_document);
}

}  // namespace richtext

// Rich text in, by its kind: RTF or plain UTF-8; and the document's plain text out.
#include "richtext/rich_document.h"

#include "richtext/rich_document_builder.h"
#include "richtext/rtf_reader.h"
#include "unicode/Utf8.h"

namespace richtext {
namespace {

// One paragraph per line; "\r\n", "\n" and a lone "\r" each end a line.
Document ReadPlainText(std::string_view text) {
    DocumentBuilder builder;
    const ParagraphFormat paragraphFormat;
    std::string line;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        if (*p == '\r' || *p == '\n') {
            if (*p == '\r' && p + 1 < end && p[1] == '\n') {
                ++p;
            }
            ++p;
            builder.Append(line, paragraphFormat);
            builder.EndParagraph(paragraphFormat);
            line.clear();
            continue;
        }
        const char32_t c = unicode::DecodeUtf8(p, end);
        if (IsTextCharacter(c)) {
            unicode::AppendUtf8(c, &line);
        }
    }
    builder.Append(line, paragraphFormat);
    return builder.Finish();
}

}  // namespace

Document ReadRichText(std::string_view text) {
    return text.starts_with("{\\rtf") ? ReadRtf(text) : ReadPlainText(text);
}

std::string PlainText(const Document& document) {
    std::string text;
    for (const Paragraph& paragraph : document.paragraphs) {
        if (&paragraph != &document.paragraphs.front()) {
            text += '\n';
        }
        for (const Run& run : paragraph.runs) {
            text += run.text;
        }
    }
    return text;
}

}  // namespace richtext

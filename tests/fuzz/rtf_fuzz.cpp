// Fuzzes the rich-text reader: any bytes read without fault into a model that keeps its
// promises (well-formed UTF-8 text without control characters, formats within their ranges)
// and whose size stays linear in the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "richtext/rich_document.h"
#include "richtext/rtf_reader.h"
#include "unicode/Utf8.h"

namespace {

using namespace richtext;

// Decoding replaces each ill-formed sequence, so only well-formed text comes back unchanged.
bool WellFormed(std::string_view text) {
    std::string recoded;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end) {
        unicode::AppendUtf8(unicode::DecodeUtf8(p, end), &recoded);
    }
    return recoded == text;
}

void Check(const Document& document, size_t inputSize) {
    size_t bytes = 0;
    for (const Paragraph& paragraph : document.paragraphs) {
        const ParagraphFormat& format = paragraph.format;
        for (const int twips :
             {format.leftIndent, format.rightIndent, format.firstLineIndent, format.lineSpacing}) {
            if (twips < -31680 || twips > 31680) {
                abort();
            }
        }
        if (format.spaceBefore < 0 || format.spaceAfter < 0 || format.spaceBefore > 31680 ||
            format.spaceAfter > 31680) {
            abort();
        }
        bytes += sizeof paragraph;
        for (const Run& run : paragraph.runs) {
            if (run.text.empty() || !WellFormed(run.text) || !WellFormed(run.format.family) ||
                run.format.sizePoints < 0.5f || run.format.sizePoints > 1638.0f) {
                abort();
            }
            for (const char c : run.text) {
                if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
                    abort();
                }
            }
            bytes += sizeof run + run.text.size() + run.format.family.size();
        }
    }
    if (bytes > 64 * inputSize + 1024) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Check(ReadRichText(input), size);
    if (!input.starts_with("{\\rtf")) {
        Check(ReadRtf(input), size);  // the RTF reader sees these bytes too
    }
    return 0;
}

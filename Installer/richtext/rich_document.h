// A rich-text document as the RTF reader leaves it: paragraphs of styled runs, ready for layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace richtext {

// Byte order r, g, b, a; colours from a document are opaque.
struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 0;

    bool operator==(const Rgba&) const = default;
};

enum class Alignment { Left, Right, Center, Justify };

struct CharFormat {
    // The family as the document names it ("Arial", "Calibri"); empty: the view's own font.
    std::string family;
    float sizePoints = 12.0f;  // 0.5 to 1638
    bool bold = false;
    bool italic = false;
    bool underline = false;
    Rgba color{0, 0, 0, 255};

    bool operator==(const CharFormat&) const = default;
};

// Text is UTF-8. A tab is '\t'; a line break inside the paragraph (\line) is '\n'.
struct Run {
    std::string text;
    CharFormat format;
};

struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    // Twips (1/1440 inch), within +-31680 (22 inches). A negative first-line indent hangs the
    // first line out to the left, as bulleted paragraphs do; their first tab then stops at the
    // left indent.
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    // 0: single spacing; positive: at least this much; negative: exactly its magnitude.
    int lineSpacing = 0;
    // Set: a positive lineSpacing is in 240ths of single spacing (276: 1.15 lines), as
    // word processors write "\sl276\slmult1".
    bool lineSpacingMultiple = false;

    bool operator==(const ParagraphFormat&) const = default;
};

// A bullet or number stands at the start of its paragraph's runs, followed by a tab, as the
// document wrote it. Symbol-font characters are already mapped to their Unicode meaning.
struct Paragraph {
    std::vector<Run> runs;
    ParagraphFormat format;
};

struct Document {
    std::vector<Paragraph> paragraphs;
};

// Text that starts with "{\rtf" is read as RTF; any other text as plain UTF-8, one paragraph
// per line. Never fails: what cannot be read is skipped.
Document ReadRichText(std::string_view text);

// The document's characters: paragraphs joined by '\n', runs concatenated.
std::string PlainText(const Document& document);

}  // namespace richtext

// The RTF reader: a state per group on an explicit stack, the font and colour tables, and the
// control words of character and paragraph formatting that rich-edit controls write.
#include "richtext/rtf_reader.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "richtext/rich_document_builder.h"
#include "richtext/rtf_charsets.h"
#include "richtext/rtf_tables.h"
#include "richtext/rtf_tokenizer.h"
#include "richtext/rtf_words.h"
#include "unicode/Utf8.h"

namespace richtext {
namespace {

using Word = RtfWord;

// Word processors accept indents and spacing up to 22 inches; larger values only break layout.
constexpr int32_t kMaxTwips = 31680;
constexpr int32_t kDefaultHalfPoints = 24;
constexpr int32_t kMaxHalfPoints = 3276;

int32_t ClampTwips(int32_t value) {
    return std::clamp(value, -kMaxTwips, kMaxTwips);
}

enum class Destination { Text, FontTable, ColourTable };

struct CharState {
    int32_t font = -1;
    int32_t halfPoints = kDefaultHalfPoints;
    int32_t colour = -1;  // index into the colour table; -1: automatic
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;
};

struct GroupState {
    Destination destination = Destination::Text;
    CharState chars;
    ParagraphFormat paragraph;
    int32_t unicodeSkip = 1;  // bytes of fallback that follow each \uN
};

class RtfReader {
  public:
    explicit RtfReader(std::string_view rtf) : m_tokens(rtf) {}

    Document Read();

  private:
    GroupState& Top() { return m_stack.back(); }
    void TakeToken(const RtfToken& token);
    void TakeSkippedToken(const RtfToken& token);
    void OpenGroup();
    void CloseGroup();
    void SkipCurrentGroup();
    void TakeWord(const RtfToken& token);
    void TakeFormatWord(const RtfWordInfo& info, const RtfToken& token);
    void TakeSymbol(char symbol);
    void TakeText(std::string_view bytes);
    void TakeByte(unsigned char byte);
    void TakeUnicode(int32_t value);
    void EmitText(std::string_view utf8);
    void Emit(char32_t c);
    void FlushHighSurrogate();
    void EndParagraph();
    void RefreshFormat();

    RtfTokenizer m_tokens;
    std::vector<GroupState> m_stack;
    bool m_finished = false;
    // Skipping: the braces still open in the skipped part; when the count returns to zero the
    // skipped group itself ends, and its state is popped if it was ever pushed.
    size_t m_skipNesting = 0;
    bool m_skipPopsState = false;
    bool m_ignorablePending = false;  // "\*" seen; the next word decides
    int64_t m_fallbackToSkip = 0;
    char32_t m_highSurrogate = 0;
    size_t m_pendingCells = 0;

    RtfFontTable m_fonts;
    RtfColourTable m_colours;
    int32_t m_defaultFont = -1;

    bool m_formatDirty = true;
    FontEncoding m_encoding = FontEncoding::Cp1252;
    DocumentBuilder m_builder;
};

Document RtfReader::Read() {
    RtfToken token;
    while (!m_finished && m_tokens.Next(&token)) {
        if (m_skipNesting > 0) {
            TakeSkippedToken(token);
        } else if (m_ignorablePending) {
            m_ignorablePending = false;
            const std::optional<RtfWordInfo> info =
                token.kind == RtfToken::Kind::Word ? FindRtfWord(token.text) : std::nullopt;
            const bool kept = info && info->word == Word::KeepDestination;
            if (kept) {
                TakeToken(token);
            } else {
                SkipCurrentGroup();
                TakeSkippedToken(token);
            }
        } else {
            TakeToken(token);
        }
    }
    if (!m_stack.empty()) {
        FlushHighSurrogate();
    }
    return m_builder.Finish();
}

void RtfReader::TakeToken(const RtfToken& token) {
    if (m_stack.empty() && token.kind != RtfToken::Kind::GroupStart) {
        return;
    }
    switch (token.kind) {
        case RtfToken::Kind::GroupStart:
            OpenGroup();
            break;
        case RtfToken::Kind::GroupEnd:
            CloseGroup();
            break;
        case RtfToken::Kind::Word:
            TakeWord(token);
            break;
        case RtfToken::Kind::Symbol:
            if (m_fallbackToSkip > 0) {
                --m_fallbackToSkip;
            } else {
                TakeSymbol(static_cast<char>(token.value));
            }
            break;
        case RtfToken::Kind::Hex:
            TakeByte(static_cast<unsigned char>(token.value));
            break;
        case RtfToken::Kind::Text:
            TakeText(token.text);
            break;
    }
}

void RtfReader::TakeSkippedToken(const RtfToken& token) {
    if (token.kind == RtfToken::Kind::GroupStart) {
        ++m_skipNesting;
    } else if (token.kind == RtfToken::Kind::GroupEnd && --m_skipNesting == 0 && m_skipPopsState) {
        CloseGroup();
    }
}

void RtfReader::OpenGroup() {
    m_fallbackToSkip = 0;
    if (m_stack.size() >= kRtfMaxGroupDepth) {
        m_skipNesting = 1;
        m_skipPopsState = false;
        return;
    }
    m_stack.push_back(m_stack.empty() ? GroupState{} : Top());
}

void RtfReader::CloseGroup() {
    FlushHighSurrogate();  // a pair of \u halves does not span groups
    m_fallbackToSkip = 0;
    m_ignorablePending = false;
    m_stack.pop_back();
    m_formatDirty = true;
    // Whatever follows the document's outermost group is not part of it.
    m_finished = m_stack.empty();
}

void RtfReader::SkipCurrentGroup() {
    m_skipNesting = 1;
    m_skipPopsState = true;
}

void RtfReader::TakeWord(const RtfToken& token) {
    if (m_fallbackToSkip > 0) {
        --m_fallbackToSkip;
        return;
    }
    const std::optional<RtfWordInfo> info = FindRtfWord(token.text);
    if (!info) {
        return;  // unknown words are ignored, as the format asks
    }
    const Destination destination = Top().destination;
    const int32_t value = token.value;
    switch (info->word) {
        case Word::SkipDestination:
            SkipCurrentGroup();
            return;
        case Word::FontTable:
            Top().destination = Destination::FontTable;
            return;
        case Word::ColourTable:
            Top().destination = Destination::ColourTable;
            return;
        case Word::KeepDestination:
            Top().destination = Destination::Text;
            return;
        case Word::Red:
            if (destination == Destination::ColourTable) {
                m_colours.SetRed(value);
            }
            return;
        case Word::Green:
            if (destination == Destination::ColourTable) {
                m_colours.SetGreen(value);
            }
            return;
        case Word::Blue:
            if (destination == Destination::ColourTable) {
                m_colours.SetBlue(value);
            }
            return;
        case Word::Font:
            if (destination == Destination::FontTable) {
                m_fonts.Define(value);
                return;
            }
            break;
        case Word::FontCharset:
            if (destination == Destination::FontTable) {
                m_fonts.SetCharset(value);
            }
            return;
        case Word::DefaultFont:
            m_defaultFont = value;
            Top().chars.font = value;
            m_formatDirty = true;
            return;
        case Word::UnicodeSkip:
            Top().unicodeSkip = std::max(value, 0);
            return;
        case Word::Unicode:
            if (token.hasValue) {
                TakeUnicode(value);
            }
            return;
        default:
            break;
    }
    if (destination == Destination::Text) {
        TakeFormatWord(*info, token);
    }
}

void RtfReader::TakeFormatWord(const RtfWordInfo& info, const RtfToken& token) {
    const Word word = info.word;
    CharState& chars = Top().chars;
    ParagraphFormat& paragraph = Top().paragraph;
    const int32_t value = token.value;
    const bool on = !token.hasValue || value != 0;
    switch (word) {
        case Word::Paragraph:
            EndParagraph();
            return;
        case Word::Row:
            m_pendingCells = 0;
            EndParagraph();
            return;
        case Word::Cell:
            ++m_pendingCells;
            return;
        case Word::Character:
            Emit(info.character);
            return;
        case Word::ParagraphDefaults:
            paragraph = ParagraphFormat{};
            return;
        case Word::AlignLeft:
            paragraph.alignment = Alignment::Left;
            return;
        case Word::AlignRight:
            paragraph.alignment = Alignment::Right;
            return;
        case Word::AlignCenter:
            paragraph.alignment = Alignment::Center;
            return;
        case Word::AlignJustify:
            paragraph.alignment = Alignment::Justify;
            return;
        case Word::LeftIndent:
            paragraph.leftIndent = ClampTwips(value);
            return;
        case Word::RightIndent:
            paragraph.rightIndent = ClampTwips(value);
            return;
        case Word::FirstIndent:
            paragraph.firstLineIndent = ClampTwips(value);
            return;
        case Word::SpaceBefore:
            paragraph.spaceBefore = std::clamp(value, 0, kMaxTwips);
            return;
        case Word::SpaceAfter:
            paragraph.spaceAfter = std::clamp(value, 0, kMaxTwips);
            return;
        case Word::LineSpacing:
            paragraph.lineSpacing = ClampTwips(value);
            return;
        case Word::LineMultiple:
            paragraph.lineSpacingMultiple = on;
            return;
        default:
            break;
    }
    m_formatDirty = true;
    switch (word) {
        case Word::Plain:
            chars = CharState{};
            chars.font = m_defaultFont;
            break;
        case Word::Font:
            chars.font = value;
            break;
        case Word::FontSize:
            chars.halfPoints = value > 0 ? std::min(value, kMaxHalfPoints) : kDefaultHalfPoints;
            break;
        case Word::Bold:
            chars.bold = on;
            break;
        case Word::Italic:
            chars.italic = on;
            break;
        case Word::Underline:
            chars.underline = on;
            break;
        case Word::UnderlineNone:
            chars.underline = false;
            break;
        case Word::Hidden:
            chars.hidden = on;
            break;
        case Word::ColourIndex:
            chars.colour = value;
            break;
        default:
            break;
    }
}

void RtfReader::TakeSymbol(char symbol) {
    switch (symbol) {
        case '*':
            m_ignorablePending = true;
            return;
        case '\n':
            if (Top().destination == Destination::Text) {
                EndParagraph();
            }
            return;
        case '\\':
        case '{':
        case '}':
            TakeByte(static_cast<unsigned char>(symbol));
            return;
        default:
            break;
    }
    if (Top().destination != Destination::Text) {
        return;
    }
    switch (symbol) {
        case '~':
            Emit(0x00A0);
            break;
        case '-':
            Emit(0x00AD);
            break;
        case '_':
            Emit(0x2011);
            break;
        case '\t':
            Emit('\t');
            break;
        default:
            break;  // "\:", "\|" and unknown symbols mean nothing here
    }
}

void RtfReader::TakeText(std::string_view bytes) {
    if (Top().destination != Destination::Text) {
        for (const char byte : bytes) {
            TakeByte(static_cast<unsigned char>(byte));
        }
        return;
    }
    // Most text is printable ASCII in a text font: handed on in one piece.
    while (!bytes.empty()) {
        if (m_fallbackToSkip > 0) {
            const auto skipped =
                static_cast<size_t>(std::min<int64_t>(m_fallbackToSkip, bytes.size()));
            m_fallbackToSkip -= static_cast<int64_t>(skipped);
            bytes.remove_prefix(skipped);
            continue;
        }
        RefreshFormat();
        size_t plain = 0;
        if (m_encoding == FontEncoding::Cp1252) {
            while (plain < bytes.size() && bytes[plain] >= 0x20 && bytes[plain] < 0x7F) {
                ++plain;
            }
        }
        if (plain > 0) {
            EmitText(bytes.substr(0, plain));
            bytes.remove_prefix(plain);
        } else {
            TakeByte(static_cast<unsigned char>(bytes.front()));
            bytes.remove_prefix(1);
        }
    }
}

void RtfReader::TakeByte(unsigned char byte) {
    if (m_fallbackToSkip > 0) {
        --m_fallbackToSkip;
        return;
    }
    switch (Top().destination) {
        case Destination::FontTable:
            m_fonts.TakeNameByte(byte);
            return;
        case Destination::ColourTable:
            m_colours.TakeByte(byte);
            return;
        case Destination::Text:
            break;
    }
    if (byte < 0x20 || byte == 0x7F) {
        if (byte == '\t') {
            Emit('\t');
        }
        return;  // control bytes are not text
    }
    RefreshFormat();
    switch (m_encoding) {
        case FontEncoding::Cp1252:
            Emit(DecodeCp1252(byte));
            break;
        case FontEncoding::Symbol:
            Emit(DecodeSymbol(byte));
            break;
        case FontEncoding::SymbolCharset:
            Emit(0xF000 + byte);
            break;
    }
}

void RtfReader::TakeUnicode(int32_t value) {
    // The parameter is a signed 16-bit unit; larger values are taken as code points.
    char32_t c = value < 0 ? static_cast<char32_t>(value + 65536) : static_cast<char32_t>(value);
    if (value < -32768 || c > 0x10FFFF) {
        c = unicode::kReplacementCharacter;
    }
    m_fallbackToSkip = Top().unicodeSkip;
    if (!IsTextCharacter(c)) {
        return;
    }
    if (Top().destination == Destination::Text) {
        RefreshFormat();
        if (m_encoding == FontEncoding::Symbol && c >= 0xF020 && c <= 0xF0FF) {
            c = DecodeSymbol(static_cast<unsigned char>(c - 0xF000));
        }
        if (c >= 0xD800 && c < 0xDC00) {
            FlushHighSurrogate();
            m_highSurrogate = c;
        } else if (c >= 0xDC00 && c < 0xE000) {
            const char32_t high = m_highSurrogate;
            m_highSurrogate = 0;
            Emit(high != 0 ? 0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00)
                           : unicode::kReplacementCharacter);
        } else {
            Emit(c);
        }
    } else if (Top().destination == Destination::FontTable) {
        m_fonts.TakeNameCharacter(c);
    }
}

void RtfReader::Emit(char32_t c) {
    std::string utf8;
    unicode::AppendUtf8(c, &utf8);
    EmitText(utf8);
}

void RtfReader::EmitText(std::string_view utf8) {
    if (m_highSurrogate != 0) {
        FlushHighSurrogate();
    }
    RefreshFormat();
    if (Top().chars.hidden) {
        return;
    }
    const ParagraphFormat& paragraph = Top().paragraph;
    for (; m_pendingCells > 0; --m_pendingCells) {
        m_builder.Append("\t", paragraph);
    }
    m_builder.Append(utf8, paragraph);
}

void RtfReader::FlushHighSurrogate() {
    if (m_highSurrogate != 0) {
        m_highSurrogate = 0;
        Emit(unicode::kReplacementCharacter);
    }
}

void RtfReader::EndParagraph() {
    FlushHighSurrogate();
    m_pendingCells = 0;
    m_builder.EndParagraph(Top().paragraph);
}

void RtfReader::RefreshFormat() {
    if (!m_formatDirty) {
        return;
    }
    m_formatDirty = false;
    const CharState& chars = Top().chars;
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

}  // namespace

Document ReadRtf(std::string_view rtf) {
    return RtfReader(rtf).Read();
}

}  // namespace richtext

// The RTF reader: a state per group on an explicit stack, the destinations (text, font and
// colour tables, skipped groups), and the words, symbols and bytes that each of them takes.
// Formatting words and the text's way into the document have files of their own.
#include "richtext/rtf_reader.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "richtext/rich_document_builder.h"
#include "richtext/rtf_charsets.h"
#include "richtext/rtf_format_words.h"
#include "richtext/rtf_group_state.h"
#include "richtext/rtf_tables.h"
#include "richtext/rtf_text_output.h"
#include "richtext/rtf_tokenizer.h"
#include "richtext/rtf_words.h"
#include "unicode/Utf8.h"

namespace richtext {
namespace {

using Word = RtfWord;
using Destination = RtfDestination;

class RtfReader {
  public:
    explicit RtfReader(std::string_view rtf) : m_tokens(rtf) {}

    Document Read();

  private:
    RtfGroupState& Top() { return m_stack.back(); }
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

    RtfTokenizer m_tokens;
    std::vector<RtfGroupState> m_stack;
    bool m_finished = false;
    // Skipping: the braces still open in the skipped part; when the count returns to zero the
    // skipped group itself ends, and its state is popped if it was ever pushed.
    size_t m_skipNesting = 0;
    bool m_skipPopsState = false;
    bool m_ignorablePending = false;  // "\*" seen; the next word decides
    int64_t m_fallbackToSkip = 0;

    RtfFontTable m_fonts;
    RtfColourTable m_colours;
    int32_t m_defaultFont = -1;
    RtfTextOutput m_output{m_fonts, m_colours};
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
        m_output.FlushHighSurrogate(Top());
    }
    return m_output.Finish();
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
    m_stack.push_back(m_stack.empty() ? RtfGroupState{} : Top());
}

void RtfReader::CloseGroup() {
    m_output.FlushHighSurrogate(Top());  // a pair of \u halves does not span groups
    m_fallbackToSkip = 0;
    m_ignorablePending = false;
    m_stack.pop_back();
    m_output.MarkFormatChanged();
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
            m_output.MarkFormatChanged();
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
    switch (info.word) {
        case Word::Paragraph:
            m_output.EndParagraph(Top());
            return;
        case Word::Row:
            m_output.EndRow(Top());
            return;
        case Word::Cell:
            m_output.AddCell();
            return;
        case Word::Character:
            m_output.Emit(info.character, Top());
            return;
        default:
            break;
    }
    const int32_t value = token.value;
    const bool on = !token.hasValue || value != 0;
    if (!ApplyParagraphWord(info.word, value, on, Top().paragraph) &&
        ApplyCharacterWord(info.word, value, on, m_defaultFont, Top().chars)) {
        m_output.MarkFormatChanged();
    }
}

void RtfReader::TakeSymbol(char symbol) {
    switch (symbol) {
        case '*':
            m_ignorablePending = true;
            return;
        case '\n':
            if (Top().destination == Destination::Text) {
                m_output.EndParagraph(Top());
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
            m_output.Emit(0x00A0, Top());
            break;
        case '-':
            m_output.Emit(0x00AD, Top());
            break;
        case '_':
            m_output.Emit(0x2011, Top());
            break;
        case '\t':
            m_output.Emit('\t', Top());
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
        size_t plain = 0;
        if (m_output.Encoding(Top()) == FontEncoding::Cp1252) {
            while (plain < bytes.size() && bytes[plain] >= 0x20 && bytes[plain] < 0x7F) {
                ++plain;
            }
        }
        if (plain > 0) {
            m_output.EmitText(bytes.substr(0, plain), Top());
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
            m_output.Emit('\t', Top());
        }
        return;  // control bytes are not text
    }
    switch (m_output.Encoding(Top())) {
        case FontEncoding::Cp1252:
            m_output.Emit(DecodeCp1252(byte), Top());
            break;
        case FontEncoding::Symbol:
            m_output.Emit(DecodeSymbol(byte), Top());
            break;
        case FontEncoding::SymbolCharset:
            m_output.Emit(0xF000 + byte, Top());
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
        if (m_output.Encoding(Top()) == FontEncoding::Symbol && c >= 0xF020 && c <= 0xF0FF) {
            c = DecodeSymbol(static_cast<unsigned char>(c - 0xF000));
        }
        m_output.EmitUnicode(c, Top());
    } else if (Top().destination == Destination::FontTable) {
        m_fonts.TakeNameCharacter(c);
    }
}

}  // namespace

Document ReadRtf(std::string_view rtf) {
    return RtfReader(rtf).Read();
}

}  // namespace richtext

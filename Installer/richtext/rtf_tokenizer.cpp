// RTF tokens: "\word-123 " with its one delimiting space, "\'hh", "\x", braces and text.
#include "richtext/rtf_tokenizer.h"

#include <algorithm>
#include <limits>

namespace richtext {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

bool RtfTokenizer::Next(RtfToken* token) {
    while (m_pos < m_input.size()) {
        const char c = m_input[m_pos];
        if (c == '\r' || c == '\n') {
            ++m_pos;  // line ends in RTF are layout of the file, not of the text
            continue;
        }
        *token = RtfToken{};
        if (c == '{' || c == '}') {
            token->kind = c == '{' ? RtfToken::Kind::GroupStart : RtfToken::Kind::GroupEnd;
            ++m_pos;
            return true;
        }
        if (c == '\\') {
            ++m_pos;
            if (m_pos == m_input.size()) {
                return false;  // a lone backslash at the end means nothing
            }
            ReadControl(token);
            if (token->kind == RtfToken::Kind::Hex && !token->hasValue) {
                continue;  // "\'" without two hex digits: dropped
            }
            return true;
        }
        const size_t end = m_input.find_first_of("\\{}\r\n", m_pos);
        const size_t stop = end == std::string_view::npos ? m_input.size() : end;
        token->kind = RtfToken::Kind::Text;
        token->text = m_input.substr(m_pos, stop - m_pos);
        m_pos = stop;
        return true;
    }
    return false;
}

void RtfTokenizer::ReadControl(RtfToken* token) {
    const char c = m_input[m_pos];
    if (IsLetter(c)) {
        ReadWord(token);
        return;
    }
    ++m_pos;
    if (c == '\'') {
        token->kind = RtfToken::Kind::Hex;
        if (m_pos + 1 < m_input.size()) {
            const int high = HexDigit(m_input[m_pos]);
            const int low = HexDigit(m_input[m_pos + 1]);
            if (high >= 0 && low >= 0) {
                token->value = high * 16 + low;
                token->hasValue = true;
                m_pos += 2;
            }
        }
        return;
    }
    token->kind = RtfToken::Kind::Symbol;
    // "\" before a line end is a paragraph mark, whichever line end the file uses.
    token->value = static_cast<unsigned char>(c == '\r' ? '\n' : c);
    if (c == '\r' && m_pos < m_input.size() && m_input[m_pos] == '\n') {
        ++m_pos;
    }
}

void RtfTokenizer::ReadWord(RtfToken* token) {
    token->kind = RtfToken::Kind::Word;
    const size_t start = m_pos;
    while (m_pos < m_input.size() && IsLetter(m_input[m_pos])) {
        ++m_pos;
    }
    token->text = m_input.substr(start, m_pos - start);

    const bool negative =
        m_pos + 1 < m_input.size() && m_input[m_pos] == '-' && IsDigit(m_input[m_pos + 1]);
    if (negative) {
        ++m_pos;
    }
    if (m_pos < m_input.size() && IsDigit(m_input[m_pos])) {
        // Accumulated as a negative number, whose range is the larger, and saturated.
        constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
        int32_t value = 0;
        while (m_pos < m_input.size() && IsDigit(m_input[m_pos])) {
            const int digit = m_input[m_pos++] - '0';
            value = value < (kMin + digit) / 10 ? kMin : value * 10 - digit;
        }
        if (!negative) {
            value = value == kMin ? std::numeric_limits<int32_t>::max() : -value;
        }
        token->value = value;
        token->hasValue = true;
    }
    if (m_pos < m_input.size() && m_input[m_pos] == ' ') {
        ++m_pos;
    }

    if (token->text == "bin" && token->value > 0) {
        const size_t remaining = m_input.size() - m_pos;
        m_pos += std::min(static_cast<size_t>(token->value), remaining);
    }
}

}  // namespace richtext

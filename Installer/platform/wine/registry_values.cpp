// Decoding value lines: the type tag, then string, dword or comma-separated hex data.
#include "platform/wine/registry_values.h"

#include "platform/wine/registry_text.h"

namespace platform::wine {
namespace {

// Comma-separated hex bytes; a backslash marks where a continued line was joined.
bool ParseHexBytes(std::string_view text, std::vector<uint8_t>* bytes) {
    size_t i = 0;
    for (;;) {
        while (i < text.size() && (IsBlank(text[i]) || text[i] == '\\')) {
            ++i;
        }
        if (i == text.size()) {
            return true;
        }
        unsigned value = 0;
        int digits = 0;
        while (i < text.size() && HexDigit(text[i]) >= 0) {
            value = value * 16 + HexDigit(text[i++]);
            if (++digits > 2 && value > 0xFF) {
                return false;
            }
        }
        if (digits == 0 || value > 0xFF) {
            return false;
        }
        bytes->push_back(static_cast<uint8_t>(value));
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (i < text.size() && text[i] == ',') {
            ++i;
        }
    }
}

bool ParseDword(std::string_view text, std::vector<uint8_t>* bytes) {
    text = TrimRight(text);
    if (text.empty() || text.size() > 8) {
        return false;
    }
    uint32_t value = 0;
    for (char c : text) {
        if (HexDigit(c) < 0) {
            return false;
        }
        value = value * 16 + HexDigit(c);
    }
    for (int shift = 0; shift < 32; shift += 8) {
        bytes->push_back(static_cast<uint8_t>(value >> shift));
    }
    return true;
}

bool ParseStringData(std::string_view text, std::vector<uint8_t>* bytes) {
    WideString decoded;
    const char* p = text.data();
    if (!DecodeString(p, p + text.size(), '"', &decoded)) {
        return false;
    }
    decoded.push_back(0);
    bytes->reserve(decoded.size() * 2);
    for (WideChar unit : decoded) {
        const auto u = static_cast<char16_t>(unit);
        bytes->push_back(static_cast<uint8_t>(u & 0xFF));
        bytes->push_back(static_cast<uint8_t>(u >> 8));
    }
    return true;
}

}  // namespace

bool ParseValueHead(std::string_view line, ValueHead* head) {
    const char* p = line.data();
    const char* end = p + line.size();
    if (*p == '@') {
        ++p;
    } else {
        ++p;
        if (!DecodeString(p, end, '"', &head->name)) {
            return false;
        }
    }
    std::string_view rest = TrimLeft(std::string_view(p, end - p));
    if (rest.empty() || rest.front() != '=') {
        return false;
    }
    rest = TrimLeft(rest.substr(1));
    struct Tag {
        std::string_view text;
        DataKind kind;
        uint32_t type;
    };
    static constexpr Tag kTags[] = {
        {"\"", DataKind::kString, 1},        {"str:\"", DataKind::kString, 1},
        {"str(2):\"", DataKind::kString, 2}, {"str(7):\"", DataKind::kString, 7},
        {"hex:", DataKind::kHex, 3},         {"dword:", DataKind::kDword, 4},
    };
    for (const Tag& tag : kTags) {
        if (rest.starts_with(tag.text)) {
            head->kind = tag.kind;
            head->type = tag.type;
            head->data = rest.substr(tag.text.size());
            return true;
        }
    }
    if (rest.starts_with("hex(")) {
        size_t i = 4;
        uint32_t type = 0;
        while (i < rest.size() && i < 12 && HexDigit(rest[i]) >= 0) {
            type = type * 16 + HexDigit(rest[i++]);
        }
        if (i > 4 && rest.substr(i).starts_with("):")) {
            head->kind = DataKind::kHex;
            head->type = type;
            head->data = rest.substr(i + 2);
            return true;
        }
    }
    return false;
}

bool DecodeValue(std::string_view line, RegistryValue* value) {
    ValueHead head;
    if (!ParseValueHead(line, &head)) {
        return false;
    }
    value->name = std::move(head.name);
    value->type = head.type;
    value->data.clear();
    switch (head.kind) {
        case DataKind::kString:
            return ParseStringData(head.data, &value->data);
        case DataKind::kHex:
            return ParseHexBytes(head.data, &value->data);
        case DataKind::kDword:
            return ParseDword(head.data, &value->data);
        case DataKind::kUnknown:
            break;
    }
    return false;
}

}  // namespace platform::wine

// Wine's registry text format: a header line, global options ("#arch="), then keys as
// "[path] mtime" lines followed by their option lines ("#time=") and values
// ("name"=data or @=data). Data is a string ("..." or str(N):"..."), dword:XXXXXXXX, or hex
// bytes (hex: or hex(N):) that may continue over lines ending in a backslash.
#include "platform/linux/registry_file.h"

#include <cstring>

#include "platform/linux/wine_prefix.h"

namespace platform::wine {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// Wine writes short lines; anything longer is not its output and is skipped.
constexpr size_t kMaxLineBytes = 1 << 20;
constexpr size_t kMaxValueBytes = 16 << 20;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
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

std::string_view TrimLeft(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    return text.substr(i);
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EndsWithBackslash(std::string_view line) {
    line = TrimRight(line);
    return !line.empty() && line.back() == '\\';
}

enum class Step { kCharacter, kDelimiter, kBroken };

// One character of an escaped string: Wine's C escapes, \x with up to four hex digits (one
// UTF-16 unit), up to three octal digits, any other escaped byte standing for itself; bytes
// outside ASCII as UTF-8. kBroken when the line (or a NUL) ends the string or an escape.
Step NextCharacter(const char*& p, const char* end, char delimiter, char32_t* out) {
    if (p == end || *p == '\0') {
        return Step::kBroken;
    }
    if (*p == delimiter) {
        ++p;
        return Step::kDelimiter;
    }
    if (static_cast<unsigned char>(*p) >= 0x80) {
        *out = DecodeUtf8(p, end);
        return Step::kCharacter;
    }
    if (*p != '\\') {
        *out = static_cast<unsigned char>(*p++);
        return Step::kCharacter;
    }
    ++p;
    if (p == end || *p == '\0') {
        return Step::kBroken;
    }
    const char escaped = *p++;
    switch (escaped) {
        case 'a':
            *out = '\a';
            break;
        case 'b':
            *out = '\b';
            break;
        case 'e':
            *out = 0x1B;
            break;
        case 'f':
            *out = '\f';
            break;
        case 'n':
            *out = '\n';
            break;
        case 'r':
            *out = '\r';
            break;
        case 't':
            *out = '\t';
            break;
        case 'v':
            *out = '\v';
            break;
        case 'x': {
            char32_t unit = 0;
            int digits = 0;
            while (digits < 4 && p != end && HexDigit(*p) >= 0) {
                unit = unit * 16 + HexDigit(*p++);
                ++digits;
            }
            *out = digits == 0 ? U'x' : unit;
            break;
        }
        default:
            if (escaped >= '0' && escaped <= '7') {
                char32_t value = escaped - '0';
                for (int i = 0; i < 2 && p != end && *p >= '0' && *p <= '7'; ++i) {
                    value = value * 8 + (*p++ - '0');
                }
                *out = value;
            } else {
                *out = static_cast<unsigned char>(escaped);
            }
            break;
    }
    return Step::kCharacter;
}

// Reads up to and past `delimiter`; false when the string is broken.
bool DecodeString(const char*& p, const char* end, char delimiter, WideString* out) {
    for (;;) {
        char32_t c = 0;
        switch (NextCharacter(p, end, delimiter, &c)) {
            case Step::kDelimiter:
                return true;
            case Step::kBroken:
                return false;
            case Step::kCharacter:
                AppendUtf16(c, out);
                break;
        }
    }
}

bool SplitKeyPath(const WideString& path, std::vector<WideString>* components) {
    size_t start = 0;
    for (;;) {
        const size_t stop = path.find(u'\\', start);
        WideString component = path.substr(start, stop - start);
        if (component.empty()) {
            return false;
        }
        components->push_back(std::move(component));
        if (stop == WideString::npos) {
            return true;
        }
        start = stop + 1;
    }
}

enum class DataKind { kString, kHex, kDword, kUnknown };

struct ValueHead {
    WideString name;
    DataKind kind = DataKind::kUnknown;
    uint32_t type = 0;
    std::string_view data;  // what follows the type tag
};

// The name and type tag of a value line (starting at '"' or '@'); false when malformed.
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

void OrderSubkeys(RegistryNode* node) {
    node->orderedSubkeys.clear();
    node->orderedSubkeys.reserve(node->subkeys.size());
    for (auto& entry : node->subkeys) {
        OrderSubkeys(entry.second.get());
        node->orderedSubkeys.push_back(entry.second.get());
    }
}

}  // namespace

const RegistryNode* RegistryNode::FindSubkey(WideStringView subkeyName) const {
    const auto found = subkeys.find(UpperCased(subkeyName));
    return found != subkeys.end() ? found->second.get() : nullptr;
}

const RegistryValue* RegistryNode::FindValue(WideStringView valueName) const {
    const auto found = values.find(UpperCased(valueName));
    return found != values.end() ? &found->second : nullptr;
}

RegistryFileParser::RegistryFileParser(const std::vector<WideString>& rootPaths) {
    for (const WideString& path : rootPaths) {
        Root root;
        SplitKeyPath(path, &root.components);
        root.folded = UpperCased(path);
        roots_.push_back(std::move(root));
    }
}

RegistryFileParser::~RegistryFileParser() = default;

void RegistryFileParser::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        if (lineNumber_ > 0 && !snapshot_.recognised) {
            return;  // not a registry file: Wine reads nothing of it either
        }
        const auto* newline =
            static_cast<const char*>(std::memchr(bytes.data(), '\n', bytes.size()));
        const size_t length = newline != nullptr ? newline - bytes.data() : bytes.size();
        const std::string_view piece = bytes.substr(0, length);
        if (newline == nullptr) {
            AppendPending(piece);
            return;
        }
        if (!pending_.empty() || discardingLongLine_) {
            AppendPending(piece);
            FlushPending();
        } else if (piece.size() > kMaxLineBytes) {
            StartDiscarding(piece);
            FlushPending();
        } else {
            TakeLine(piece);
        }
        bytes.remove_prefix(length + 1);
    }
}

RegistrySnapshot RegistryFileParser::Finish() {
    if (!pending_.empty() || discardingLongLine_) {
        FlushPending();
    }
    // A value still waiting for its continuation line was cut off: it is dropped.
    inContinuation_ = false;
    continuedValue_.clear();
    for (Root& root : roots_) {
        if (root.node) {
            OrderSubkeys(root.node.get());
        }
        snapshot_.roots.push_back(std::move(root.node));
    }
    roots_.clear();
    return std::move(snapshot_);
}

void RegistryFileParser::AppendPending(std::string_view piece) {
    if (discardingLongLine_) {
        return;
    }
    if (pending_.size() + piece.size() > kMaxLineBytes) {
        StartDiscarding(pending_.empty() ? piece : std::string_view(pending_));
        pending_.clear();
        pending_.shrink_to_fit();
        return;
    }
    pending_.append(piece);
}

void RegistryFileParser::StartDiscarding(std::string_view lineStart) {
    const std::string_view start = TrimLeft(lineStart);
    discardedLineStart_ = start.empty() ? '\0' : start.front();
    discardingLongLine_ = true;
}

void RegistryFileParser::FlushPending() {
    if (discardingLongLine_) {
        TakeOverlongLine();
    } else {
        TakeLine(pending_);
    }
    pending_.clear();
    discardingLongLine_ = false;
}

void RegistryFileParser::TakeOverlongLine() {
    ++lineNumber_;
    if (inContinuation_) {
        inContinuation_ = false;
        continuedValue_.clear();
    } else if (discardedLineStart_ == '[') {
        // A key line was lost, so what follows belongs to no known key.
        seenKey_ = true;
        currentKey_ = nullptr;
    }
}

void RegistryFileParser::TakeLine(std::string_view line) {
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (lineNumber_ == 1) {
        snapshot_.recognised = line == kHeader;
        return;
    }
    if (inContinuation_) {
        const bool more = EndsWithBackslash(line);
        if (currentKey_ != nullptr) {
            const std::string_view joined = TrimLeft(line);
            if (continuedValue_.size() + joined.size() > kMaxValueBytes) {
                continuedValue_.clear();
                currentKey_ = nullptr;  // the rest of this key's values is not worth the memory
            } else {
                continuedValue_.append(joined);
            }
        }
        if (!more) {
            inContinuation_ = false;
            if (currentKey_ != nullptr) {
                TakeValue(continuedValue_);
            }
            continuedValue_.clear();
        }
        return;
    }
    line = TrimLeft(line);
    if (line.empty()) {
        return;
    }
    switch (line.front()) {
        case '[':
            TakeKeyLine(line.substr(1));
            break;
        case '"':
        case '@':
            TakeValueLine(line);
            break;
        case '#':
            if (!seenKey_) {
                TakeGlobalOption(line);
            }
            break;
        default:
            break;  // comments, and lines Wine does not recognise either
    }
}

void RegistryFileParser::TakeKeyLine(std::string_view line) {
    seenKey_ = true;
    currentKey_ = nullptr;
    if (roots_.empty()) {
        return;
    }
    // Most keys of a large file lie elsewhere: compare with the roots while decoding, without
    // keeping anything, and stop as soon as none of them can match.
    const char* p = line.data();
    const char* end = p + line.size();
    uint64_t alive = roots_.size() >= 64 ? ~uint64_t{0} : (uint64_t{1} << roots_.size()) - 1;
    for (size_t index = 0;; ++index) {
        char32_t c = 0;
        const Step step = NextCharacter(p, end, ']', &c);
        if (step == Step::kBroken) {
            return;
        }
        if (step == Step::kDelimiter) {
            break;
        }
        bool rootReached = false;
        for (size_t r = 0; r < roots_.size() && r < 64; ++r) {
            const std::u32string& folded = roots_[r].folded;
            if ((alive >> r & 1) == 0) {
                continue;
            }
            if (index == folded.size() && c == '\\') {
                rootReached = true;
            } else if (index >= folded.size() || folded[index] != UpperCase(c)) {
                alive &= ~(uint64_t{1} << r);
            }
        }
        if (rootReached) {
            break;
        }
        if (alive == 0) {
            return;
        }
    }
    WideString path;
    p = line.data();
    if (!DecodeString(p, end, ']', &path)) {
        return;
    }
    std::vector<WideString> components;
    if (!SplitKeyPath(path, &components)) {
        return;
    }
    for (Root& root : roots_) {
        const size_t depth = root.components.size();
        if (components.size() < depth) {
            continue;
        }
        bool matches = true;
        for (size_t i = 0; i < depth && matches; ++i) {
            matches = EqualIgnoringCase(components[i], root.components[i]);
        }
        if (!matches) {
            continue;
        }
        if (!root.node) {
            root.node = std::make_unique<RegistryNode>();
            root.node->name = root.components.empty() ? WideString() : root.components.back();
        }
        RegistryNode* node = root.node.get();
        for (size_t i = depth; i < components.size(); ++i) {
            std::unique_ptr<RegistryNode>& child = node->subkeys[UpperCased(components[i])];
            if (!child) {
                child = std::make_unique<RegistryNode>();
                child->name = components[i];
            }
            node = child.get();
        }
        currentKey_ = node;
        return;
    }
}

void RegistryFileParser::TakeValueLine(std::string_view line) {
    const bool continues = EndsWithBackslash(line);
    if (currentKey_ == nullptr && !continues) {
        return;  // a value of a key nobody asked for
    }
    ValueHead head;
    if (!ParseValueHead(line, &head)) {
        return;
    }
    if (head.kind == DataKind::kHex && continues) {
        inContinuation_ = true;
        if (currentKey_ != nullptr) {
            continuedValue_.assign(line);
        }
        return;
    }
    if (currentKey_ != nullptr) {
        TakeValue(line);
    }
}

void RegistryFileParser::TakeValue(std::string_view line) {
    ValueHead head;
    if (!ParseValueHead(line, &head)) {
        return;
    }
    RegistryValue value;
    value.name = head.name;
    value.type = head.type;
    bool ok = false;
    switch (head.kind) {
        case DataKind::kString:
            ok = ParseStringData(head.data, &value.data);
            break;
        case DataKind::kHex:
            ok = ParseHexBytes(head.data, &value.data);
            break;
        case DataKind::kDword:
            ok = ParseDword(head.data, &value.data);
            break;
        case DataKind::kUnknown:
            break;
    }
    if (ok) {
        currentKey_->values[UpperCased(value.name)] = std::move(value);
    }
}

void RegistryFileParser::TakeGlobalOption(std::string_view line) {
    constexpr std::string_view kArch = "#arch=";
    if (!line.starts_with(kArch)) {
        return;
    }
    const std::string_view arch = TrimRight(line.substr(kArch.size()));
    if (arch == "win32") {
        snapshot_.arch = PrefixArch::kWin32;
    } else if (arch == "win64") {
        snapshot_.arch = PrefixArch::kWin64;
    }
}

}  // namespace platform::wine

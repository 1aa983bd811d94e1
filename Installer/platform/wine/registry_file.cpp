// Wine's registry text format: a header line, global options ("#arch="), then keys as
// "[path] mtime" lines followed by their option lines ("#time=") and values
// ("name"=data or @=data). Data is a string ("..." or str(N):"..."), dword:XXXXXXXX, or hex
// bytes (hex: or hex(N):) that may continue over lines ending in a backslash.
#include "platform/wine/registry_file.h"

#include <algorithm>
#include <cstring>

#include "platform/wine/registry_text.h"
#include "platform/wine/wine_prefix.h"

namespace platform::wine {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// Wine writes short lines; anything longer is not its output and is skipped.
constexpr size_t kMaxLineBytes = 1 << 20;
constexpr size_t kMaxContinuedValueBytes = 16 << 20;

}  // namespace

void RegistryFileParser::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        if (headerRead_ && !snapshot_.recognised) {
            return;  // not a registry file: Wine reads nothing of it either
        }
        if (snapshot_.exceeded != RegistryLimit::kNone) {
            return;
        }
        if (CanSkip()) {
            bytes.remove_prefix(SkipUninterestingLines(bytes));
        }
        const auto* newline =
            static_cast<const char*>(std::memchr(bytes.data(), '\n', bytes.size()));
        const size_t length = newline != nullptr ? newline - bytes.data() : bytes.size();
        const std::string_view piece = bytes.substr(0, length);
        if (newline == nullptr) {
            AppendPending(piece);
            plainBytes_ -= std::min(plainBytes_, length);
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
        plainBytes_ -= std::min(plainBytes_, length + 1);
    }
}

RegistrySnapshot RegistryFileParser::Finish() {
    if (!pending_.empty() || discardingLongLine_) {
        FlushPending();
    }
    // A value still waiting for its continuation line was cut off: it is dropped.
    inContinuation_ = false;
    continuedValue_.clear();
    HandOverRoots();
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
    headerRead_ = true;
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
    if (snapshot_.exceeded != RegistryLimit::kNone) {
        return;
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (!headerRead_) {
        headerRead_ = true;
        snapshot_.recognised = line == kHeader;
        return;
    }
    if (inContinuation_) {
        const bool more = EndsWithBackslash(line);
        if (currentKey_ != nullptr) {
            const std::string_view joined = TrimLeft(line);
            if (continuedValue_.size() + joined.size() > kMaxContinuedValueBytes) {
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
    valueBytesKept_ += line.size() + kValueEntryBytes;
    if (valueBytesKept_ > kMaxValueBytes) {
        GiveUp(RegistryLimit::kValueBytes);
        return;
    }
    RegistryValue value;
    if (DecodeValue(line, &value)) {
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

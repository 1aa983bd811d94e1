// Passing over the parts of a registry file outside the roots asked for, at the speed of
// searching for '[': only a key line can make a root current again, so everything up to the
// next one is skipped unless a continued value line might swallow it.
#include <cstring>

#include "platform/wine/registry_file.h"
#include "platform/wine/registry_text.h"

namespace platform::wine {
namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
}

// The start of the run of lines ending in a backslash just before `lineStart`, which is the
// start of a line: only such a run can carry a value over into the line at `lineStart`.
const char* ContinuedRunStart(const char* begin, const char* lineStart) {
    while (lineStart > begin) {
        const char* last = lineStart - 1;  // the previous line's '\n'
        while (last > begin && IsBlank(last[-1])) {
            --last;
        }
        if (last == begin || last[-1] != '\\') {
            return lineStart;
        }
        const auto* newline = static_cast<const char*>(memrchr(begin, '\n', last - begin));
        lineStart = newline != nullptr ? newline + 1 : begin;
    }
    return lineStart;
}

// Whether the key text at `path` differs from `written` at a character that stands for itself:
// then the decoded path differs too. False when the texts agree up to `end` or past `written`.
bool DiffersAtACharacter(const std::string& written, const char* p, const char* end) {
    for (size_t i = 0; i < written.size(); ++i, ++p) {
        if (p == end) {
            return false;
        }
        if (AsciiUpper(*p) != written[i]) {
            return *p != '\\' && static_cast<unsigned char>(*p) < 0x80;
        }
        if (written[i] == '\\') {  // one of a doubled pair, which must go on the same way
            ++i;
            ++p;
            if (p == end || *p != '\\') {
                return false;
            }
        }
    }
    return false;
}

}  // namespace

bool RegistryFileParser::CanSkip() const {
    return headerRead_ && seenKey_ && currentKey_ == nullptr && !inContinuation_ &&
           plainBytes_ == 0 && pending_.empty() && !discardingLongLine_;
}

// Returns how many bytes to drop: whole lines that would change nothing. What follows them is
// read line by line, for at least one line, and for `plainBytes_` when a run of continued
// lines has to be read to know whether a value goes on.
size_t RegistryFileParser::SkipUninterestingLines(std::string_view bytes) {
    const char* begin = bytes.data();
    const char* end = begin + bytes.size();
    const char* from = begin;
    while (const auto* bracket = static_cast<const char*>(std::memchr(from, '[', end - from))) {
        from = bracket + 1;
        const char* lineStart = bracket;
        while (lineStart > begin && IsBlank(lineStart[-1])) {
            --lineStart;
        }
        if (lineStart > begin && lineStart[-1] != '\n') {
            continue;  // a '[' inside some other line
        }
        const char* run = ContinuedRunStart(begin, lineStart);
        if (run != lineStart) {
            plainBytes_ = lineStart - run;
            return run - begin;
        }
        if (!RejectsKeyQuickly(bracket + 1, end)) {
            return lineStart - begin;
        }
    }
    // No key line in the rest: skip its whole lines, unless a value continues past them.
    const auto* newline = static_cast<const char*>(memrchr(begin, '\n', end - begin));
    if (newline == nullptr) {
        return 0;
    }
    const char* linesEnd = newline + 1;
    const char* run = ContinuedRunStart(begin, linesEnd);
    plainBytes_ = linesEnd - run;
    return run - begin;
}

// True when the key path starting at `path` certainly lies under none of the roots. It compares
// the text as written, so any escape or non-ASCII byte where it differs leaves the decision to
// the full reading of the key line.
bool RegistryFileParser::RejectsKeyQuickly(const char* path, const char* end) const {
    for (size_t r = 0; r < roots_.size() && r < 64; ++r) {
        const std::string& written = roots_[r].written;
        if (written.empty()) {
            return false;
        }
        if (!DiffersAtACharacter(written, path, end)) {
            return false;
        }
    }
    return true;
}

}  // namespace platform::wine

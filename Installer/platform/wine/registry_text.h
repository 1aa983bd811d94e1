// The characters of Wine's registry text: blanks, hex digits, and strings with their escapes.
#pragma once

#include <string>
#include <string_view>

#include "platform/Unicode.h"

namespace platform::wine {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The value of a hex digit, -1 for any other character.
int HexDigit(char c);

std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);
// The line asks for the next one to continue it.
bool EndsWithBackslash(std::string_view line);

enum class Step { kCharacter, kDelimiter, kBroken };

// One character of an escaped string: Wine's C escapes, \x with up to four hex digits (one
// UTF-16 unit), up to three octal digits, any other escaped byte standing for itself; bytes
// outside ASCII as UTF-8. kBroken when the line (or a NUL) ends the string or an escape.
Step NextCharacter(const char*& p, const char* end, char delimiter, char32_t* out);

// The bytes a key line holds for `path` when every character of it is printable ASCII that
// needs no escape ('\\' written doubled); empty otherwise.
std::string WrittenKeyPath(std::u32string_view path);

// Reads up to and past `delimiter`; false when the string is broken.
bool DecodeString(const char*& p, const char* end, char delimiter, WideString* out);

}  // namespace platform::wine

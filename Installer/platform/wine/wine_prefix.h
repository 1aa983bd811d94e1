// The Wine prefix that holds the hosts, and names compared as Wine compares them.
#pragma once

#include <string>
#include <string_view>

#include "platform/Unicode.h"

namespace platform::wine {

// $WINEPREFIX, else ~/.wine of the user the program runs for: when it runs as root through
// sudo or pkexec, that is the invoking user (SUDO_USER, PKEXEC_UID), not root.
std::string PrefixPath();

// Why the prefix at `prefix` must not be read, for the user; empty when it may be: it is missing
// (then nothing is installed in it) or it belongs to the user the program works for (the sudo or
// pkexec user when root runs it for one). Another user's prefix could hand us files of their
// choosing.
std::string PrefixOwnerProblem(const std::string& prefix);

// Simple upper-case mapping of the Latin, Greek and Cyrillic letters; Wine's registry and file
// names compare without case.
char32_t UpperCase(char32_t c);
std::u32string UpperCased(WideStringView name);
bool EqualIgnoringCase(WideStringView a, WideStringView b);
bool EqualIgnoringCaseUtf8(std::string_view a, std::string_view b);

}  // namespace platform::wine

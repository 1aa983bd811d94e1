// Fuzzes the text conversions: any bytes as UTF-8 and as UTF-16 convert without fault, and
// what they produce converts back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "draw/TextConversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string narrow(reinterpret_cast<const char*>(data), size);
    const platform::WideString wide = Utf8ToWide(narrow);
    const std::string back = WideToUtf8(wide);
    // Well-formed output of one direction is reproduced exactly by the other.
    if (Utf8ToWide(back) != wide || WideToUtf8(Utf8ToWide(back)) != back) {
        abort();
    }
    if (narrow.find('\0') == std::string::npos && wide.empty() != narrow.empty()) {
        abort();
    }

    platform::WideString units(size / 2, 0);
    std::memcpy(units.data(), data, units.size() * 2);
    const std::string fromUnits = WideToUtf8(units);
    if (WideToUtf8(Utf8ToWide(fromUnits)) != fromUnits) {
        abort();
    }
    return 0;
}

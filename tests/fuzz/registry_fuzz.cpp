// Fuzzes the system.reg reader: any bytes, fed whole and in pieces, must parse without fault
// and to the same keys and values. Fed a byte at a time, the reader takes every line one by one
// and passes over nothing, which checks what it skips when it has whole lines in hand.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/wine/registry_file.h"

namespace {

using platform::wine::RegistryFileParser;
using platform::wine::RegistryNode;
using platform::wine::RegistrySnapshot;

RegistrySnapshot Parse(std::string_view text, size_t chunk) {
    RegistryFileParser parser(
        {u"Software\\Adobe\\After Effects", u"Software\\Wow6432Node\\Adobe\\After Effects"});
    for (size_t i = 0; i < text.size(); i += chunk) {
        parser.Feed(text.substr(i, chunk));
    }
    return parser.Finish();
}

bool SameNode(const RegistryNode* a, const RegistryNode* b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    if (a->name != b->name || a->values.size() != b->values.size() ||
        a->orderedSubkeys.size() != b->orderedSubkeys.size()) {
        return false;
    }
    for (const auto& [key, value] : a->values) {
        const auto other = b->values.find(key);
        if (other == b->values.end() || other->second.type != value.type ||
            other->second.data != value.data || other->second.name != value.name) {
            return false;
        }
        if (b->FindValue(value.name) != &other->second) {
            return false;
        }
    }
    for (size_t i = 0; i < a->orderedSubkeys.size(); ++i) {
        if (!SameNode(a->orderedSubkeys[i], b->orderedSubkeys[i]) ||
            b->FindSubkey(a->orderedSubkeys[i]->name) != b->orderedSubkeys[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the piece size of the second reading.
    const size_t chunk = data[0] % 61 + 1;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const RegistrySnapshot whole = Parse(text, text.size() + 1);
    for (const size_t size : {chunk, size_t{1}}) {
        const RegistrySnapshot pieces = Parse(text, size);
        if (whole.recognised != pieces.recognised || whole.arch != pieces.arch ||
            whole.roots.size() != 2 || pieces.roots.size() != 2) {
            abort();
        }
        for (size_t r = 0; r < whole.roots.size(); ++r) {
            if (!SameNode(whole.roots[r].get(), pieces.roots[r].get())) {
                abort();
            }
        }
    }
    return 0;
}

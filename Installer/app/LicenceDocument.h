// The licence agreement the wizard shows: an RTF document embedded as a raw-data block.
#pragma once

#include <string_view>

#include "platform/Resources.h"

inline constexpr int kLicenceDocumentId = 600;

// The document's bytes in the executable's read-only data; empty if the block is missing.
inline std::string_view LicenceDocumentText() {
    platform::ResourceBlock block;
    if (!platform::FindResource(platform::kResourceTypeRcData, kLicenceDocumentId, &block)) {
        return {};
    }
    return {reinterpret_cast<const char*>(block.data), block.size};
}

// Byte blocks embedded in the executable's read-only data, found by type and id.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr int kResourceTypeRcData = 10;

struct ResourceBlock {
    const uint8_t* data = nullptr;  // points into the executable's image; never copied
    size_t size = 0;
};

// False when no block of that type and id is embedded.
bool FindResource(int type, int id, ResourceBlock* out);

}  // namespace platform

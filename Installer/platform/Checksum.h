// SHA-256 digests through the system's own implementation.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The SHA-256 digest of `size` bytes at `data`, as 64 lowercase hex digits; empty when the
// system could not compute it.
std::string Sha256Hex(const void* data, size_t size);

}  // namespace platform

// SHA-256 on Linux through GLib's GChecksum.
#include <glib.h>

#include "platform/Checksum.h"

namespace platform {

std::string Sha256Hex(const void* data, size_t size) {
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
    if (!checksum) {
        return {};
    }
    // GChecksum takes at most a gssize at a time.
    const auto* bytes = static_cast<const guchar*>(data);
    constexpr size_t kPiece = 1u << 30;
    for (size_t done = 0; done < size; done += kPiece) {
        g_checksum_update(checksum, bytes + done,
                          static_cast<gssize>(size - done < kPiece ? size - done : kPiece));
    }
    std::string hex = g_checksum_get_string(checksum);
    g_checksum_free(checksum);
    return hex;
}

}  // namespace platform

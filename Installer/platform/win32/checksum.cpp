// SHA-256 on Windows through the system's CNG (bcrypt).
#include "platform/Checksum.h"
#include "platform/win32/windows_api.h"

#include <bcrypt.h>

namespace platform {

std::string Sha256Hex(const void* data, size_t size) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
        return {};
    }
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char digest[32];
    bool ok = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0;
    // BCryptHashData takes at most a ULONG at a time.
    const auto* bytes = static_cast<const unsigned char*>(data);
    constexpr size_t kPiece = 1u << 30;
    for (size_t done = 0; ok && done < size; done += kPiece) {
        const ULONG piece = static_cast<ULONG>(size - done < kPiece ? size - done : kPiece);
        ok = BCryptHashData(hash, const_cast<unsigned char*>(bytes + done), piece, 0) == 0;
    }
    ok = ok && BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
    if (hash) {
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok) {
        return {};
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

}  // namespace platform

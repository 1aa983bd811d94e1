// Writes a deterministic stand-in plug-in payload of an exact size: make_payload <file> <size>
// <seed>.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <file> <size> <seed>\n", argv[0]);
        return 2;
    }
    const size_t size = std::strtoull(argv[2], nullptr, 10);
    uint64_t state = std::strtoull(argv[3], nullptr, 10) * 0x9E3779B97F4A7C15ull + 1;

    std::vector<unsigned char> bytes(size);
    // xorshift64*: cheap, well spread, and the same on every machine.
    for (size_t i = 0; i < size; ++i) {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        bytes[i] = static_cast<unsigned char>((state * 0x2545F4914F6CDD1Dull) >> 56);
    }
    const std::string banner =
        std::string("MZ Kestrel 3D stand-in payload ") + argv[3] + ", not a working plug-in\n";
    std::memcpy(bytes.data(), banner.data(), std::min(banner.size(), size));

    const std::string temporary = std::string(argv[1]) + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        std::perror(temporary.c_str());
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, size, file) == size;
    if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}

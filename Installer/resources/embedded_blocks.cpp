// Embedded byte blocks: a lookup in the table that the build assembles next to the blocks
// (cmake/Resources.cmake), so a block is found where it lies in the read-only data.
#include "platform/Resources.h"

namespace {

// Layout written by cmake/Resources.cmake: ".long type, id" then ".quad start, size".
struct EmbeddedBlock {
    int32_t type;
    int32_t id;
    const uint8_t* data;
    uint64_t size;
};
static_assert(sizeof(EmbeddedBlock) == 24);

}  // namespace

extern "C" const EmbeddedBlock kestrel_block_table[];
extern "C" const uint32_t kestrel_block_count;

namespace platform {

bool FindResource(int type, int id, ResourceBlock* out) {
    for (uint32_t i = 0; i < kestrel_block_count; ++i) {
        const EmbeddedBlock& block = kestrel_block_table[i];
        if (block.type == type && block.id == id) {
            if (out) {
                out->data = block.data;
                out->size = static_cast<size_t>(block.size);
            }
            return true;
        }
    }
    return false;
}

}  // namespace platform

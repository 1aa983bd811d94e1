// Embedded byte blocks: the executable's own resources, which the loader maps with its image.
#include "platform/Resources.h"

#include "platform/win32/windows_api.h"

namespace platform {

bool FindResource(int type, int id, ResourceBlock* out) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (!found) {
        return false;
    }
    if (out) {
        // Loading a resource of the running image only yields the address of its mapped bytes.
        HGLOBAL loaded = LoadResource(self, found);
        out->data = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
        out->size = out->data ? SizeofResource(self, found) : 0;
    }
    return true;
}

}  // namespace platform

// Linux keeps no list of installed Windows programs of its own, and the Wine prefix's registry
// files are its wineserver's, which may be running: the record of what was installed is all.
#include "platform/UninstallEntry.h"

namespace platform {

bool RegisterUninstaller(const UninstallEntry& /*entry*/, const std::string& /*programCopy*/) {
    return true;
}

void RemoveUninstaller(const std::string& /*keyName*/, const std::string& /*programCopy*/) {}

}  // namespace platform

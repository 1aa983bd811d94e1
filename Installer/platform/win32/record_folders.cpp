// The installer's log in the user's temporary folder and its record in the machine's program
// data, on Windows.
#include "platform/RecordFolders.h"

#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Unicode.h"
#include "platform/win32/windows_api.h"

#include <shlobj.h>

namespace platform {

std::string DefaultLogPath() {
    return ChildPath(TemporaryFolder(), "Kestrel 3D install.log");
}

std::string InstallRecordFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) !=
        S_OK) {
        return {};
    }
    return ChildPath(ChildPath(Utf16ToUtf8(folder), "Larkspur"), "Kestrel 3D");
}

}  // namespace platform

// The installer's state folder on Linux, as the XDG base directories place it.
#include "platform/RecordFolders.h"

#include "platform/Files.h"
#include "platform/posix/posix_util.h"

namespace platform {

std::string InstallRecordFolder() {
    std::string state = posix::EnvironmentValue("XDG_STATE_HOME");
    if (state.empty() || state[0] != '/') {
        state = posix::EnvironmentValue("HOME") + "/.local/state";
    }
    return ChildPath(state, "kestrel-installer");
}

std::string DefaultLogPath() {
    return ChildPath(InstallRecordFolder(), "install.log");
}

}  // namespace platform

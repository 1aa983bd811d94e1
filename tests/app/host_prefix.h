// A Wine prefix with hosts in both registry views, for the tests that run the wizard or the
// command-line mode over one, and the payloads the installed files must equal.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/HostTable.h"
#include "platform/Resources.h"
#include "support/worker_test_support.h"
#include "wine/registry_test_prefix.h"

namespace wizardtest {

// Runs programs of both bitnesses (see support/wine.sh).
inline constexpr char kWineLoader[] = "/usr/bin/wine";
inline constexpr char kWineServer[] = "/usr/lib/wine/wineserver";

using workertest::RunToEnd;

// Host folders as the registry names them, and where they lie in the prefix.
struct Host {
    int slot;
    bool view64;
    std::string windowsFolder;  // e.g. C:\Program Files\Adobe\...\Plug-ins
};

inline std::string EscapedForReg(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        escaped += c == '\\' ? "\\\\" : std::string(1, c);
    }
    return escaped;
}

inline std::string Payload(int id) {
    platform::ResourceBlock block;
    if (!platform::FindResource(platform::kResourceTypeRcData, id, &block)) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(block.data), block.size);
}

// A prefix whose system.reg registers `hosts`; folders on drive C are created.
class HostPrefix {
  public:
    explicit HostPrefix(const std::vector<Host>& hosts) {
        std::string body;
        for (const Host& host : hosts) {
            const std::string key =
                (host.view64 ? kView64Key : kView32Key) + "\\\\" + kHostSlots[host.slot].versionKey;
            body += TestPrefix::HostKey(key, "\"" + EscapedForReg(host.windowsFolder) + "\"");
            if (host.windowsFolder.rfind("C:\\", 0) == 0) {
                std::filesystem::create_directories(LinuxFolder(host.windowsFolder));
            }
        }
        prefix_.WriteSystemReg(TestPrefix::RegFile(body));
    }

    // A prefix Wine made, copied from `wineTemplate`, with the hosts registered by Wine's own
    // reg in the view each names: the registry as Wine writes it.
    HostPrefix(const std::vector<Host>& hosts, const std::filesystem::path& wineTemplate)
        : wine_(true) {
        std::filesystem::remove_all(Root() / "drive_c");
        std::filesystem::remove_all(Root() / "dosdevices");
        EXPECT_EQ(RunToEnd({"/bin/cp", "-a", wineTemplate.string() + "/.", Root().string()}), 0);
        for (const Host& host : hosts) {
            EXPECT_EQ(RunToEnd({kWineLoader, "reg", "add",
                                std::string("HKLM\\Software\\Adobe\\After Effects\\") +
                                    kHostSlots[host.slot].versionKey,
                                "/v", "PluginInstallPath", "/d", host.windowsFolder, "/f",
                                host.view64 ? "/reg:64" : "/reg:32"}),
                      0);
            std::filesystem::create_directories(LinuxFolder(host.windowsFolder));
        }
        // Written out: the program's own Wine starts from the files.
        EXPECT_EQ(RunToEnd({kWineServer, "-w"}), 0);
    }
    ~HostPrefix() {
        if (wine_) {
            RunToEnd({kWineServer, "-k"});
            RunToEnd({kWineServer, "-w"});
        }
    }
    HostPrefix(const HostPrefix&) = delete;
    HostPrefix& operator=(const HostPrefix&) = delete;

    const std::filesystem::path& Root() const { return prefix_.Root(); }
    // The file-system folder of a folder on drive C.
    std::filesystem::path LinuxFolder(const std::string& windowsFolder) const {
        std::string rest = windowsFolder.substr(3);
        std::replace(rest.begin(), rest.end(), '\\', '/');
        return prefix_.Root() / "drive_c" / rest;
    }
    std::filesystem::path PluginOf(const std::string& windowsFolder) const {
        return LinuxFolder(windowsFolder) / "Larkspur" / "Kestrel.aex";
    }

  private:
    TestPrefix prefix_;
    bool wine_ = false;
};

// The folder the tests register for a slot.
inline std::string HostFolder(int slot) {
    return std::string("C:\\Program Files\\Adobe\\After Effects ") + kHostSlots[slot].label +
           "\\Support Files\\Plug-ins";
}

}  // namespace wizardtest

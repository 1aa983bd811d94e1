// A throw-away Wine prefix for tests: WINEPREFIX points at a temporary folder whose system.reg
// and drives the test writes.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

class TestPrefix {
  public:
    TestPrefix() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-prefix-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        root_ = pattern;
        if (const char* old = getenv("WINEPREFIX")) {
            saved_ = old;
        }
        setenv("WINEPREFIX", root_.c_str(), 1);
        std::filesystem::create_directories(root_ / "drive_c");
        std::filesystem::create_directories(root_ / "dosdevices");
        std::filesystem::create_directory_symlink("../drive_c", root_ / "dosdevices" / "c:");
    }
    ~TestPrefix() {
        if (saved_) {
            setenv("WINEPREFIX", saved_->c_str(), 1);
        } else {
            unsetenv("WINEPREFIX");
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    const std::filesystem::path& Root() const { return root_; }

    // Replaces system.reg by a new file (a new inode, as Wine's own saves make).
    void WriteSystemReg(const std::string& bytes) const {
        const auto temporary = root_ / "system.reg.new";
        {
            std::ofstream out(temporary, std::ios::binary);
            out << bytes;
        }
        std::filesystem::rename(temporary, root_ / "system.reg");
    }

    // A system.reg as Wine writes it, with `body` after the header lines.
    static std::string RegFile(const std::string& body, const std::string& arch = "win64") {
        return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" + arch +
               "\n\n" + body;
    }

    // A key with one PluginInstallPath line; `data` is the text after the '='.
    static std::string HostKey(const std::string& keyPath, const std::string& data) {
        return "[" + keyPath +
               "] 1700000000\n#time=1d9a0c2b3e4f560\n\"PluginInstallPath\"=" + data + "\n\n";
    }

  private:
    std::filesystem::path root_;
    std::optional<std::string> saved_;
};

// Key paths as they appear in system.reg (backslashes escaped).
inline const std::string kView64Key = "Software\\\\Adobe\\\\After Effects";
inline const std::string kView32Key = "Software\\\\Wow6432Node\\\\Adobe\\\\After Effects";

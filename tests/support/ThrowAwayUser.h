// An account made for one test and removed after it: the unprivileged local user an attack
// comes from, or the victim. Making one needs root; `problem()` says why none was made, for the
// test's skip message.
#pragma once

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/worker_test_support.h"

namespace testsupport {

class ThrowAwayUser {
  public:
    ThrowAwayUser() {
        static std::atomic<int> made{0};
        if (geteuid() != 0) {
            m_problem = "making a throw-away user needs root";
            return;
        }
        std::string pattern = "/tmp/kestrel-home-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            m_problem = "no home folder could be made";
            return;
        }
        m_home = pattern;
        m_name = "kt" + std::to_string(getpid()) + "x" + std::to_string(made++);
        if (workertest::RunToEnd({"/usr/sbin/useradd", "--no-create-home", "--user-group",
                                  "--home-dir", m_home, "--shell", "/usr/sbin/nologin", m_name}) !=
            0) {
            m_problem = "useradd failed for " + m_name;
            m_name.clear();
            return;
        }
        const passwd* entry = getpwnam(m_name.c_str());
        if (entry == nullptr) {
            m_problem = "the new user " + m_name + " has no account entry";
            return;
        }
        m_uid = entry->pw_uid;
        m_gid = entry->pw_gid;
        chown(m_home.c_str(), m_uid, m_gid);
        chmod(m_home.c_str(), 0755);
    }
    ~ThrowAwayUser() {
        if (!m_name.empty()) {
            workertest::RunToEnd({"/usr/sbin/userdel", m_name});
        }
        if (!m_home.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_home, ignored);
        }
    }
    ThrowAwayUser(const ThrowAwayUser&) = delete;
    ThrowAwayUser& operator=(const ThrowAwayUser&) = delete;

    const std::string& problem() const { return m_problem; }
    const std::string& name() const { return m_name; }
    const std::string& home() const { return m_home; }
    uid_t uid() const { return m_uid; }
    gid_t gid() const { return m_gid; }

    // The environment sudo gives root when this user runs a program through it.
    std::map<std::string, std::string> SudoVariables() const {
        return {{"SUDO_UID", std::to_string(m_uid)},
                {"SUDO_GID", std::to_string(m_gid)},
                {"SUDO_USER", m_name},
                {"HOME", "/root"}};
    }

    // Gives `path` and everything below it to this user, links themselves and not their targets.
    void Own(const std::filesystem::path& path) const {
        lchown(path.c_str(), m_uid, m_gid);
        if (!std::filesystem::is_directory(std::filesystem::symlink_status(path))) {
            return;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
            lchown(entry.path().c_str(), m_uid, m_gid);
        }
    }

  private:
    std::string m_problem;
    std::string m_name;
    std::string m_home;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};

}  // namespace testsupport

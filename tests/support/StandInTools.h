// Stand-in programs for the desktop's dialog tools (zenity, kdialog): shell scripts in a scratch
// folder that is the only tools folder while the object lives, so the real tools are never found.
#pragma once

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/worker_test_support.h"

namespace testsupport {

class StandInTools {
  public:
    StandInTools() : m_folder("KESTREL_TOOLS_FOLDER", m_scratch / "bin") {
        mkdir((m_scratch / "bin").c_str(), 0755);
    }

    // A script `name` that records its arguments, then runs `body` (shell built-ins and the
    // system's programs).
    void Add(const std::string& name, const std::string& body) {
        const std::string path = m_scratch / ("bin/" + name);
        std::ofstream(path) << "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" << (m_scratch / name)
                            << ".args'\n"
                            << body << "\n";
        chmod(path.c_str(), 0755);
    }

    // The arguments of the last run of `name`; empty when it never ran.
    std::vector<std::string> ArgumentsOf(const std::string& name) const {
        const std::string all = workertest::ReadFile(m_scratch / (name + ".args")).value_or("");
        std::vector<std::string> arguments;
        for (size_t start = 0, end; (end = all.find('\0', start)) != std::string::npos;
             start = end + 1) {
            arguments.push_back(all.substr(start, end - start));
        }
        return arguments;
    }

    // A path in the scratch folder, for folders and files the tools answer with.
    std::string operator/(const std::string& name) const { return m_scratch / name; }

  private:
    workertest::ScratchFolder m_scratch;
    workertest::ScopedEnvironment m_folder;
};

// Prints the folder it was asked to open on (zenity's --filename, without the separator that
// makes zenity open inside it), as if the user accepted it.
inline constexpr char kZenityAcceptingStart[] =
    "for a; do case \"$a\" in --filename=*) f=\"${a#--filename=}\";; esac; done\n"
    "printf '%s\\n' \"${f%/}\"";

}  // namespace testsupport

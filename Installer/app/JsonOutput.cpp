// JSON documents for deployment tools.
#include "app/JsonOutput.h"

#include <nlohmann/json.hpp>

#include "platform/Registry.h"

namespace {

using nlohmann::json;

// Paths are bytes on Linux: one that is not UTF-8 is shown with replacement characters rather
// than ending the program.
std::string Dumped(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string HostsAsJson(const HostTable& hosts) {
    json list = json::array();
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (hosts.IsDetected(slot)) {
            list.push_back({{"label", kHostSlots[slot].label},
                            {"folder", hosts.hostFolder[slot]},
                            {"view", hosts.hostView64[slot] ? 64 : 32}});
        }
    }
    json document = {{"registry", platform::RegistryLocation()}, {"hosts", list}};
    if (!hosts.registryProblem.empty()) {
        document["registryProblem"] = hosts.registryProblem;
    }
    return Dumped(document);
}

std::string VerificationAsJson(const InstallRecord& record, const std::vector<FileState>& states) {
    json files = json::array();
    bool ok = true;
    for (size_t index = 0; index < record.files.size(); ++index) {
        files.push_back({{"path", record.files[index].path},
                         {"host", record.files[index].host},
                         {"state", FileStateName(states[index])}});
        ok = ok && states[index] == FileState::Ok;
    }
    return Dumped({{"installer", record.version},
                   {"record", InstallRecordPath()},
                   {"ok", ok},
                   {"files", files}});
}

// The install worker run on the test's own thread, on every system: the payloads it writes and
// the progress it reports.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/InstallWorker.h"
#include "platform/Resources.h"

namespace testsupport {

inline std::string Payload(int id) {
    platform::ResourceBlock block;
    EXPECT_TRUE(platform::FindResource(platform::kResourceTypeRcData, id, &block));
    return std::string(reinterpret_cast<const char*>(block.data), block.size);
}

// Runs the worker on the calling thread and records the progress seen at each repaint request.
struct InstallRun {
    std::shared_ptr<InstallStatus> status = std::make_shared<InstallStatus>();
    std::vector<int32_t> repaints;

    void Install(const HostTable& hosts, PayloadFinder finder = &platform::FindResource) {
        status->SetRepaintHook(
            [this] { repaints.push_back(status->progressStep.load(std::memory_order_acquire)); });
        InstallWorker(hosts, status, finder).InstallPlugins();
    }
    int32_t errorCode() const { return status->errorCode.load(std::memory_order_acquire); }
    bool failed() const { return status->installFailed.load(std::memory_order_acquire); }
    bool done() const { return status->installDone.load(std::memory_order_acquire); }
    int32_t step() const { return status->progressStep.load(std::memory_order_acquire); }
    // The folder and the reason, once done() is true.
    const std::string& detail() const { return status->errorDetail; }
};

}  // namespace testsupport

// The command-line mode's machine-readable output: one JSON document per run.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/AfterInstall.h"
#include "app/HostTable.h"

// {"registry": ..., "hosts": [{"label", "folder", "view": 32 or 64}], "registryProblem"?}
std::string HostsAsJson(const HostTable& hosts);

// {"installer": ..., "record": ..., "ok": ..., "files": [{"path", "host", "state"}]}
std::string VerificationAsJson(const InstallRecord& record, const std::vector<FileState>& states);

// Host detection: each version subkey of the hosts' registry key names its plug-in folder.
#include "app/HostTable.h"

#include "draw/TextConversion.h"
#include "platform/Registry.h"

namespace {

constexpr const char* kHostsKeyPath = "SOFTWARE\\Adobe\\After Effects";
constexpr size_t kNameBufferUnits = 256;
constexpr size_t kNameCapacity = kNameBufferUnits - 1;
constexpr size_t kFolderBufferBytes = 256 * sizeof(platform::WideChar);

// The slot whose version key is exactly `name` (case and all), or -1.
int SlotForVersionKey(const platform::WideString& name) {
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (name == Utf8ToWide(kHostSlots[slot].versionKey)) {
            return slot;
        }
    }
    return -1;
}

}  // namespace

int PayloadIdForSlot(int slot, int32_t customBitness) {
    if (slot == kCustomSlot) {
        return customBitness == 0 ? kPayload32BitId : kPayload64BitId;
    }
    return kHostSlots[slot].payloadId;
}

void HostTable::DetectHosts(bool view64) {
    platform::RegistryKey hosts;
    if (!hosts.Open(kHostsKeyPath, view64)) {
        if (registryProblem.empty()) {
            registryProblem = platform::RegistryReadProblem();
        }
        return;
    }
    uint32_t count = 0;
    if (!hosts.QuerySubkeyCount(&count)) {
        count = 0;
    }
    const platform::WideString valueName = Utf8ToWide("PluginInstallPath");
    for (uint32_t index = 0; index < count; ++index) {
        platform::WideString name;
        if (!hosts.EnumSubkey(index, kNameCapacity, &name)) {
            continue;
        }
        platform::WideString folder;
        if (!hosts.GetStringValue(name, valueName, kFolderBufferBytes, &folder)) {
            continue;
        }
        const int slot = SlotForVersionKey(name);
        if (slot < 0) {
            continue;
        }
        hostFolder[slot] = WideToUtf8(folder);
        hostView64[slot] = view64;
    }
}

void HostTable::DetectAllHosts() {
    DetectHosts(false);
    if (platform::RegistryHasSeparate64BitView()) {
        DetectHosts(true);
    }
}

// The seven host slots of the wizard and their detection from the hosts' registry entries.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int kHostSlotCount = 7;
inline constexpr int kDetectedSlotCount = 6;  // every slot before Custom has a version key
inline constexpr int kCustomSlot = 6;

inline constexpr int kPayload32BitId = 300;
inline constexpr int kPayload64BitId = 400;

struct HostSlotInfo {
    const char* label;
    const char* versionKey;  // registry subkey name; null for Custom
    int payloadId;           // 0 for Custom: chosen by customBitness
};

inline constexpr HostSlotInfo kHostSlots[kHostSlotCount] = {
    {"CS3", "8.0", kPayload32BitId},  {"CS4", "9.0", kPayload32BitId},
    {"CS5", "10.0", kPayload64BitId}, {"CS5.5", "10.5", kPayload64BitId},
    {"CS6", "11", kPayload64BitId},   {"CC", "12", kPayload64BitId},
    {"Custom", nullptr, 0},
};

// The payload installed into `slot`; for Custom it follows customBitness (0: 32-bit, 1: 64-bit).
int PayloadIdForSlot(int slot, int32_t customBitness);

// The wizard window derives from this table, so these members are the window's own.
class HostTable {
  public:
    std::string hostFolder[kHostSlotCount];  // UTF-8; empty: not found (Custom: not chosen)
    bool hostSelected[kHostSlotCount] = {};
    bool hostView64[kHostSlotCount] = {};  // the registry view that named the folder
    int32_t customBitness = 0;
    // Why the hosts' registry could not be read, for the user; empty when nothing was refused.
    std::string registryProblem;

    // Reads the hosts' registry key in the 32-bit view (false) or the 64-bit view (true) and
    // stores each recognised version's plug-in folder in its slot, replacing what it held.
    void DetectHosts(bool view64);

    // The start-up sequence: the 32-bit view, then the 64-bit view where the system has one,
    // so that a version registered in both views ends with the 64-bit view's folder.
    void DetectAllHosts();

    bool IsDetected(int slot) const { return !hostFolder[slot].empty(); }
};

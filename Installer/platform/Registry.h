// Reading the machine-wide registry, in its 32-bit or 64-bit view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"

namespace platform {

// Value types, numbered as the registry numbers them.
enum RegistryValueType : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegDwordBigEndian = 5,
    kRegLink = 6,
    kRegMultiSz = 7,
    kRegQword = 11,
};

// Whether the system keeps a separate 64-bit view next to the 32-bit one. Without it both
// views are the same.
bool RegistryHasSeparate64BitView();

// Why the last reading of the registry was refused, in words for the user; empty when it was
// not. A key that is simply absent is no refusal.
std::string RegistryReadProblem();

// Where the registry is read, in words that can follow "found in": the Wine prefix's folder on
// Linux, the computer's own registry on Windows.
std::string RegistryLocation();

struct RegistryKeyState;  // the backend's

// An open key below the machine root. Key paths use `\` and compare without case.
class RegistryKey {
  public:
    RegistryKey();
    ~RegistryKey();
    RegistryKey(RegistryKey&&) noexcept;
    RegistryKey& operator=(RegistryKey&&) noexcept;

    // False when the key does not exist in that view or cannot be read.
    bool Open(const char* machinePath, bool view64);
    bool IsOpen() const { return state_ != nullptr; }
    void Close();

    // False when the key is not open.
    bool QuerySubkeyCount(uint32_t* count) const;

    // The name of subkey `index` (in the key's own order), into a buffer of `capacity` units
    // that must also hold the terminator: false when the index is out of range or the name
    // does not fit.
    bool EnumSubkey(uint32_t index, size_t capacity, WideString* name) const;

    // The string value `valueName` of subkey `subkey` (empty: of this key), when it has the
    // type kRegSz and, with its terminator, fits in `bufferBytes`. Text after an embedded
    // terminator is not part of the result.
    bool GetStringValue(const WideString& subkey, const WideString& valueName, size_t bufferBytes,
                        WideString* value) const;

    // Any value as stored: its type and raw bytes (strings as UTF-16LE with terminator).
    bool GetValue(const WideString& subkey, const WideString& valueName, uint32_t* type,
                  std::vector<uint8_t>* data) const;

  private:
    std::unique_ptr<RegistryKeyState> state_;
};

}  // namespace platform

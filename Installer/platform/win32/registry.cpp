// The registry on Windows: HKEY_LOCAL_MACHINE in the view asked for. Each view is named
// explicitly, so that a 64-bit build reads the 32-bit view exactly as the 32-bit build does.
#include "platform/Registry.h"

// windows.h before the other system headers, which need its types.
#include "platform/win32/windows_api.h"

#include <shlwapi.h>

#include "platform/Unicode.h"

namespace platform {

struct RegistryKeyState {
    HKEY key = nullptr;
    ~RegistryKeyState() { RegCloseKey(key); }
};

namespace {

// Null for "this key itself".
const wchar_t* SubkeyOrNull(const WideString& subkey) {
    return subkey.empty() ? nullptr : subkey.c_str();
}

}  // namespace

bool RegistryHasSeparate64BitView() {
    if (sizeof(void*) == 8) {
        return true;
    }
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string RegistryReadProblem() {
    return {};  // the system's own registry: a key it does not open is absent
}

std::string RegistryLocation() {
    return "the registry of this computer";
}

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;

bool RegistryKey::Open(const char* machinePath, bool view64) {
    Close();
    // 32-bit Windows ignores the view flags: it has the one view.
    const REGSAM access = KEY_READ | (view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Utf8ToUtf16(machinePath).c_str(), 0, access, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    state_ = std::make_unique<RegistryKeyState>();
    state_->key = key;
    return true;
}

void RegistryKey::Close() {
    state_.reset();
}

bool RegistryKey::QuerySubkeyCount(uint32_t* count) const {
    DWORD subkeys = 0;
    if (!state_ ||
        RegQueryInfoKeyW(state_->key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    *count = subkeys;
    return true;
}

bool RegistryKey::EnumSubkey(uint32_t index, size_t capacity, WideString* name) const {
    if (!state_ || capacity == 0 || capacity > 32768) {
        return false;
    }
    WideString buffer(capacity, L'\0');
    DWORD length = static_cast<DWORD>(capacity);
    if (RegEnumKeyExW(state_->key, index, buffer.data(), &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
        return false;
    }
    buffer.resize(length);
    *name = std::move(buffer);
    return true;
}

bool RegistryKey::GetStringValue(const WideString& subkey, const WideString& valueName,
                                 size_t bufferBytes, WideString* value) const {
    if (!state_ || bufferBytes < sizeof(wchar_t) || bufferBytes > 0x7FFFFFFF) {
        return false;
    }
    // REG_SZ only: without NOEXPAND a REG_EXPAND_SZ value would be expanded and pass as one.
    WideString buffer(bufferBytes / sizeof(wchar_t), L'\0');
    DWORD bytes = static_cast<DWORD>(bufferBytes);
    if (SHRegGetValueW(state_->key, SubkeyOrNull(subkey), valueName.c_str(),
                       SRRF_RT_REG_SZ | SRRF_NOEXPAND, nullptr, buffer.data(),
                       &bytes) != ERROR_SUCCESS) {
        return false;
    }
    buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
    *value = std::move(buffer);
    return true;
}

bool RegistryKey::GetValue(const WideString& subkey, const WideString& valueName, uint32_t* type,
                           std::vector<uint8_t>* data) const {
    if (!state_) {
        return false;
    }
    HKEY key = state_->key;
    HKEY opened = nullptr;
    if (!subkey.empty()) {
        if (RegOpenKeyExW(state_->key, subkey.c_str(), 0, KEY_QUERY_VALUE, &opened) !=
            ERROR_SUCCESS) {
            return false;
        }
        key = opened;
    }
    // The value may grow between asking its size and reading it: ask again then.
    LONG status = ERROR_MORE_DATA;
    DWORD valueType = REG_NONE;
    std::vector<uint8_t> bytes;
    while (status == ERROR_MORE_DATA) {
        DWORD size = 0;
        status = RegQueryValueExW(key, valueName.c_str(), nullptr, &valueType, nullptr, &size);
        if (status != ERROR_SUCCESS) {
            break;
        }
        bytes.resize(size);
        status = RegQueryValueExW(key, valueName.c_str(), nullptr, &valueType, bytes.data(), &size);
        bytes.resize(size);
    }
    if (opened) {
        RegCloseKey(opened);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    *type = valueType;
    *data = std::move(bytes);
    return true;
}

}  // namespace platform

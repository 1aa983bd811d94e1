// Value lines of Wine's registry text: "name"=data or @=data, with string, dword and hex data.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Unicode.h"

namespace platform::wine {

struct RegistryValue {
    WideString name;  // empty: the key's default value ("@")
    uint32_t type = 0;
    std::vector<uint8_t> data;  // strings as UTF-16LE with their terminator
};

enum class DataKind { kString, kHex, kDword, kUnknown };

struct ValueHead {
    WideString name;
    DataKind kind = DataKind::kUnknown;
    uint32_t type = 0;
    std::string_view data;  // what follows the type tag
};

// The name and type tag of a value line (starting at '"' or '@'); false when malformed.
bool ParseValueHead(std::string_view line, ValueHead* head);

// A whole value line, its continued lines joined; false when malformed.
bool DecodeValue(std::string_view line, RegistryValue* value);

}  // namespace platform::wine

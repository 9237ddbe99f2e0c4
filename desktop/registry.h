// A small reader of one registry value: text (REG_SZ) or 32-bit number
// (REG_DWORD). Every failure becomes an empty result and a status code.
#pragma once

#include <cstdint>

#include "desktop/text.h"
#include "platform/platform.h"

namespace DLmodule {

// Owns its text: it is freed with the value.
struct RegistryValue {
    RegistryValue() = default;
    RegistryValue(RegistryValue&&) = default;
    RegistryValue& operator=(RegistryValue&&) = default;
    ~RegistryValue() { text.Release(); }

    enum class Kind { Empty, Text, Number };
    Kind kind = Kind::Empty;
    dl::Text text;
    std::int32_t number = 0;
};

// Status -1: a value type the reader does not handle.
constexpr platform::Status kUnhandledType = -1;
// Status 8 (ERROR_NOT_ENOUGH_MEMORY): no memory for the text buffer.
constexpr platform::Status kNotEnoughMemory = 8;

RegistryValue ReadKeyValue(platform::Handle root, const char* keyPath, const char* valueName);
platform::Status ReadValue(platform::Handle key, const char* valueName, RegistryValue& value);

} // namespace DLmodule

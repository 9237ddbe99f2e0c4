#include "desktop/registry.h"

namespace DLmodule {

namespace {

// The six key rights KEY_QUERY_VALUE through KEY_CREATE_LINK.
constexpr std::uint32_t kKeyAccess = 0x3F;

void SetText(RegistryValue& value, dl::Text text) {
    value.kind = RegistryValue::Kind::Text;
    value.text = static_cast<dl::Text&&>(text);
    value.number = 0;
}

void SetEmpty(RegistryValue& value) { value = RegistryValue(); }

platform::Status ReadText(platform::Handle key, const char* valueName, std::uint32_t size,
                          RegistryValue& value) {
    // One spare NUL past the stored bytes, so a text stored without its
    // terminator still ends inside the buffer.
    char* buffer = static_cast<char*>(platform::AllocateZeroed(std::size_t{size} + 1));
    if (buffer == nullptr) return kNotEnoughMemory;
    std::uint32_t type = 0;
    const platform::Status status = platform::RegQueryValueExA(
        key, valueName, nullptr, &type, reinterpret_cast<std::uint8_t*>(buffer), &size);
    if (status != 0) {
        platform::Free(buffer);
        SetEmpty(value);
        return status;
    }
    std::size_t length = 0;
    while (buffer[length] != '\0')
        ++length;
    SetText(value, dl::Text::Adopt(buffer, length));
    return status;
}

platform::Status ReadNumber(platform::Handle key, const char* valueName, std::uint32_t size,
                            RegistryValue& value) {
    std::uint8_t field[4] = {0, 0, 0, 0};
    // A number stored in more than 4 bytes does not fit the field: asking
    // for it with the field's size makes the platform refuse it with
    // ERROR_MORE_DATA instead of writing past the field.
    if (size > sizeof field) size = sizeof field;
    std::uint32_t type = 0;
    const platform::Status status =
        platform::RegQueryValueExA(key, valueName, nullptr, &type, field, &size);
    if (status == 0) {
        value.kind = RegistryValue::Kind::Number;
        value.text = dl::Text();
        value.number = static_cast<std::int32_t>(
            std::uint32_t{field[0]} | std::uint32_t{field[1]} << 8 | std::uint32_t{field[2]} << 16 |
            std::uint32_t{field[3]} << 24);
    }
    return status;
}

} // namespace

RegistryValue ReadKeyValue(platform::Handle root, const char* keyPath, const char* valueName) {
    platform::Handle key = 0;
    platform::RegOpenKeyExA(root, keyPath, 0, kKeyAccess, &key);
    RegistryValue result;
    ReadValue(key, valueName, result);
    platform::RegCloseKey(key);
    return result;
}

platform::Status ReadValue(platform::Handle key, const char* valueName, RegistryValue& value) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    const platform::Status status =
        platform::RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
    if (status != 0) return status;
    if (type == platform::kRegSz) return ReadText(key, valueName, size, value);
    if (type == platform::kRegDword) return ReadNumber(key, valueName, size, value);
    return kUnhandledType;
}

} // namespace DLmodule

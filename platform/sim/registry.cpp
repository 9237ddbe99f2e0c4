// The registry as tests set it up and the program opens, reads and closes it.
#include "platform/sim/sim.h"

#include <cctype>
#include <cstring>
#include <utility>

namespace sim {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

namespace {

constexpr platform::Status kErrorFileNotFound = 2;
constexpr platform::Status kErrorAccessDenied = 5;
constexpr platform::Status kErrorInvalidHandle = 6;
constexpr platform::Status kErrorInvalidParameter = 87;
constexpr platform::Status kErrorMoreData = 234;

// The predefined keys are the LONGs 0x80000000 to 0x80000006, sign-extended
// in a 64-bit handle as Windows' headers define them; zero-extended, such a
// value names no key there.
bool IsRoot(Handle key) {
    const auto value = static_cast<std::intptr_t>(key);
    return value >= std::intptr_t{INT32_MIN} && value <= std::intptr_t{INT32_MIN} + 6;
}

Key& DesktopKey() {
    return S().registry[std::to_string(kCurrentUser) + "\\control panel\\desktop"];
}

} // namespace

void SetValue(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
    DesktopKey().values[Lower(name)] = RegValue{type, std::move(bytes)};
}

void SetText(const std::string& name, const std::string& text) {
    SetValue(name, platform::kRegSz, {text.c_str(), text.c_str() + text.size() + 1});
}

void SetNumber(const std::string& name, std::uint64_t value, std::size_t bytes) {
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i < bytes; ++i)
        data.push_back(static_cast<std::uint8_t>(value >> 8 * i));
    SetValue(name, platform::kRegDword, data);
}

void RefuseKey() { DesktopKey().refuses = true; }

void FailNextDataQuery(platform::Status status) { S().failDataQuery = status; }

std::optional<RegValue> Value(const std::string& name) {
    auto value = DesktopKey().values.find(Lower(name));
    if (value == DesktopKey().values.end()) return std::nullopt;
    return value->second;
}

int OpenKeys() { return static_cast<int>(S().openKeys.size()); }

} // namespace sim

namespace platform {

Status RegOpenKeyExA(Handle root, const char* subKey, std::uint32_t options, std::uint32_t access,
                     Handle* key) {
    Record("RegOpenKeyExA", root, subKey, options, access,
           key == nullptr ? sim::Ptr(false) : sim::ToArg(*key));
    const auto open = S().openKeys.find(root);
    if (!sim::IsRoot(root) && open == S().openKeys.end()) return sim::kErrorInvalidHandle;
    const std::string base = sim::IsRoot(root) ? std::to_string(root) : open->second;
    if (key == nullptr) return sim::kErrorInvalidParameter;
    const std::string path =
        subKey == nullptr || *subKey == '\0' ? base : base + "\\" + sim::Lower(subKey);
    auto found = S().registry.find(path);
    if (found == S().registry.end()) return sim::kErrorFileNotFound;
    if (found->second.refuses) return sim::kErrorAccessDenied;
    *key = S().openKeys.emplace(sim::NewHandle(), path).first->first;
    return 0;
}

Status RegQueryValueExA(Handle key, const char* valueName, std::uint32_t* reserved,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
    Record("RegQueryValueExA", key, valueName, reserved, type, data,
           size == nullptr ? sim::Ptr(false) : sim::ToArg(*size));
    auto open = S().openKeys.find(key);
    if (open == S().openKeys.end()) return sim::kErrorInvalidHandle;
    if (reserved != nullptr || (data != nullptr && size == nullptr))
        return sim::kErrorInvalidParameter;
    const auto& values = S().registry[open->second].values;
    auto found = values.find(sim::Lower(valueName == nullptr ? "" : valueName));
    if (found == values.end()) return sim::kErrorFileNotFound;
    const sim::RegValue& value = found->second;
    const auto needed = static_cast<std::uint32_t>(value.bytes.size());
    if (type != nullptr) *type = value.type;
    if (data == nullptr) {
        if (size != nullptr) *size = needed;
        return 0;
    }
    if (const Status failure = S().failDataQuery) {
        S().failDataQuery = 0;
        return failure;
    }
    // Windows leaves the buffer's contents undefined when it is too small;
    // filling it up to *size shows a caller that trusts them anyway.
    const std::uint32_t copied = *size < needed ? *size : needed;
    if (copied > 0) std::memcpy(data, value.bytes.data(), copied);
    const Status status = *size < needed ? sim::kErrorMoreData : 0;
    *size = needed;
    return status;
}

Status RegCloseKey(Handle key) {
    Record("RegCloseKey", key);
    return S().openKeys.erase(key) != 0 ? 0 : sim::kErrorInvalidHandle;
}

} // namespace platform

// The little runtime support a freestanding Windows program needs: the
// memory functions the compiler may call, and operator new/delete over the
// process heap. No C runtime DLL, no C++ runtime.
#include <cstddef>

#include <windows.h>

extern "C" {

void* memset(void* destination, int value, std::size_t count) {
    auto* bytes = static_cast<unsigned char*>(destination);
    while (count-- != 0)
        *bytes++ = static_cast<unsigned char>(value);
    return destination;
}

void* memcpy(void* destination, const void* source, std::size_t count) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    while (count-- != 0)
        *to++ = *from++;
    return destination;
}

void* memmove(void* destination, const void* source, std::size_t count) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    if (to < from) {
        while (count-- != 0)
            *to++ = *from++;
    } else {
        while (count-- != 0)
            to[count] = from[count];
    }
    return destination;
}

int memcmp(const void* left, const void* right, std::size_t count) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    for (; count != 0; --count, ++a, ++b)
        if (*a != *b) return *a < *b ? -1 : 1;
    return 0;
}

} // extern "C"

void* operator new(std::size_t bytes) { return ::HeapAlloc(::GetProcessHeap(), 0, bytes); }
void* operator new[](std::size_t bytes) { return ::HeapAlloc(::GetProcessHeap(), 0, bytes); }
void operator delete(void* block) noexcept {
    if (block != nullptr) ::HeapFree(::GetProcessHeap(), 0, block);
}
void operator delete[](void* block) noexcept {
    if (block != nullptr) ::HeapFree(::GetProcessHeap(), 0, block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete[](block); }

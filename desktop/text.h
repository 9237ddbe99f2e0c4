// 8-bit texts without a C++ runtime.
//
// Text: a heap text that can also be "unset" (no text at all, which is not
// the same as the empty text). It is trivially destructible, so it can be
// module-level state without any start-up or exit code behind it: its owner
// frees it with Release(), and assigning a new value frees the old one.
//
// FixedText: a text in a fixed buffer, for texts of known size.
#pragma once

#include <cstddef>

namespace dl {

class Text {
  public:
    constexpr Text() = default;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    Text(Text&& other) noexcept;
    Text& operator=(Text&& other) noexcept;
    ~Text() = default;
    void Release();

    // Takes over a buffer from platform::AllocateZeroed holding `length`
    // characters followed by a NUL.
    static Text Adopt(char* buffer, std::size_t length);
    // The empty text: set, but with no characters. Needs no memory.
    static Text Empty();
    // A copy of `length` characters; unset when no memory is left.
    static Text Copy(const char* characters, std::size_t length);

    bool isSet() const { return data_ != nullptr; }
    // nullptr while unset, otherwise NUL-terminated.
    const char* c_str() const { return data_; }
    std::size_t length() const { return length_; }

  private:
    char* data_ = nullptr;
    std::size_t length_ = 0;
    bool owned_ = false;
};

template <std::size_t Capacity> class FixedText {
  public:
    // Appends as much of `text` as fits.
    void append(const char* text) {
        while (*text != '\0' && length_ < Capacity)
            data_[length_++] = *text++;
        data_[length_] = '\0';
    }
    void appendNumber(unsigned number) {
        char digits[10];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number != 0);
        while (count > 0 && length_ < Capacity)
            data_[length_++] = digits[--count];
        data_[length_] = '\0';
    }
    const char* c_str() const { return data_; }
    std::size_t length() const { return length_; }

  private:
    char data_[Capacity + 1] = {};
    std::size_t length_ = 0;
};

} // namespace dl

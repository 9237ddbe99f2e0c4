#include "desktop/text.h"

#include "platform/platform.h"

namespace dl {

namespace {
char emptyCharacters[1] = {'\0'};
}

Text::Text(Text&& other) noexcept
    : data_(other.data_), length_(other.length_), owned_(other.owned_) {
    other.data_ = nullptr;
    other.length_ = 0;
    other.owned_ = false;
}

Text& Text::operator=(Text&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = other.data_;
        length_ = other.length_;
        owned_ = other.owned_;
        other.data_ = nullptr;
        other.length_ = 0;
        other.owned_ = false;
    }
    return *this;
}

void Text::Release() {
    if (owned_) platform::Free(data_);
    data_ = nullptr;
    length_ = 0;
    owned_ = false;
}

Text Text::Adopt(char* buffer, std::size_t length) {
    Text text;
    text.data_ = buffer;
    text.length_ = length;
    text.owned_ = buffer != nullptr;
    return text;
}

Text Text::Empty() {
    Text text;
    text.data_ = emptyCharacters;
    return text;
}

Text Text::Copy(const char* characters, std::size_t length) {
    if (length == 0) return Empty();
    char* buffer = static_cast<char*>(platform::AllocateZeroed(length + 1));
    if (buffer == nullptr) return Text();
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = characters[i];
    return Adopt(buffer, length);
}

} // namespace dl

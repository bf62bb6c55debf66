#pragma once

// ASCII case folding, the one way the rules fold names, marks and text under
// ignore-case: 'A' to 'Z' become 'a' to 'z', every other byte stays.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Branch-free, so that folding a chunk is a vector loop.
inline uint8_t fold_case(uint8_t byte) {
    return static_cast<uint8_t>(byte + (static_cast<uint8_t>(byte - 'A') < 26 ? 'a' - 'A' : 0));
}

inline bool is_ascii_letter(uint8_t byte) {
    return static_cast<uint8_t>(fold_case(byte) - 'a') < 26;
}

inline uint8_t folded_if(bool fold, uint8_t byte) {
    return fold ? fold_case(byte) : byte;
}

// `size` bytes from `from` folded into `to`.
inline void fold_bytes(const uint8_t* from, size_t size, uint8_t* to) {
    for (size_t i = 0; i < size; ++i)
        to[i] = fold_case(from[i]);
}

// `text` folded when `fold`, else as it is.
inline std::string folded_if(bool fold, std::string_view text) {
    std::string out(text);
    if (fold)
        fold_bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                   reinterpret_cast<uint8_t*>(out.data()));
    return out;
}

// How the rules filter reads the kept text's case.
enum class TextCase : uint8_t {
    as_it_is,       // no ignore-case
    folded,         // ignore-case: the kept text is folded as it comes
    fold_compared,  // ignore-case: the text is kept as it is and folded as it is compared
};

// Text eight bytes at a time: a word holds eight bytes of text, the first in
// its lowest byte, whatever the machine's byte order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

inline std::uint64_t in_text_order(std::uint64_t word)
{
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t reversed = 0;
        for (int n = 0; n < 8; ++n, word >>= 8)
            reversed = reversed << 8 | (word & 0xff);
        word = reversed;
    }
    return word;
}

inline std::uint64_t load_word(const char* at)
{
    std::uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return in_text_order(word);
}

inline void store_word(char* at, std::uint64_t word)
{
    word = in_text_order(word);
    std::memcpy(at, &word, sizeof word);
}

// How many bytes of the word come before the first one with a bit set: 8
// when there is none.
inline std::size_t bytes_before(std::uint64_t marks)
{
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}

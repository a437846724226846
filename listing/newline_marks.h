// The newlines of a block of 64 bytes, one bit a byte: bit n is set when the
// byte at block + n is a newline.  A portable way on every machine, and where
// the processor has one, a vector way beside it; the reader takes the vector
// way where there is one.
#pragma once

#include <cstdint>

#include "words.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

inline constexpr std::size_t marks_block = 64;

// Eight bytes at a time in a word: the high bit of each byte that is a
// newline, exactly, and those eight bits gathered into one byte.
inline std::uint64_t newlines_in_words(const char* block)
{
    constexpr std::uint64_t low_bits = 0x7f7f7f7f7f7f7f7f;
    constexpr std::uint64_t newlines = 0x0a0a0a0a0a0a0a0a;
    constexpr std::uint64_t gather = 0x0102040810204080;
    std::uint64_t marks = 0;
    for (std::size_t n = 0; n < 8; ++n) {
        std::uint64_t other = load_word(block + 8 * n) ^ newlines;
        std::uint64_t high = ~(((other & low_bits) + low_bits) | other | low_bits);
        marks |= ((high >> 7) * gather >> 56) << (8 * n);
    }
    return marks;
}

#if defined(__SSE2__)
// Sixteen bytes compared at once.
inline std::uint64_t newlines_of_16(const char* bytes)
{
    __m128i found = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)),
                                   _mm_set1_epi8('\n'));
    return static_cast<std::uint16_t>(_mm_movemask_epi8(found));
}

inline std::uint64_t newlines_in_vectors(const char* block)
{
    return newlines_of_16(block) | newlines_of_16(block + 16) << 16 |
           newlines_of_16(block + 32) << 32 | newlines_of_16(block + 48) << 48;
}
#endif

inline std::uint64_t newlines_of_block(const char* block)
{
#if defined(__SSE2__)
    return newlines_in_vectors(block);
#else
    return newlines_in_words(block);
#endif
}

// The one source of pseudo-random numbers of the fuzz helpers: a linear
// congruential generator, which gives the same numbers on every machine.
#pragma once

#include <cstddef>
#include <cstdint>

// A number below `bound` (0 when the bound is 0), drawn from `state`.
inline std::size_t random_below(std::uint32_t& state, std::size_t bound)
{
    state = state * 1103515245u + 12345u;
    return bound == 0 ? 0 : (state >> 8) % bound;
}

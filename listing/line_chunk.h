// A chunk of the listing: what one fgets into a line buffer would read.
#pragma once

#include <cstddef>
#include <cstring>

// A chunk is what fgets would read into a buffer of this size: at most 1023
// bytes, ending after a newline or at that limit.
inline constexpr std::size_t line_buffer_size = 1024;
inline constexpr std::size_t chunk_limit = line_buffer_size - 1;

// So many bytes past the end of any chunk can be read (and mean nothing), so
// that short copies out of a chunk can be of fixed size.
inline constexpr std::size_t readable_past_chunk = 128;

// One chunk of the listing, in the reader's buffer: 1 to chunk_limit bytes,
// ending after a newline, at the limit, or at the end of the input.  It may
// hold zero bytes; to the scan patterns its text ends at the first of them.
struct line_chunk {
    const char* bytes;
    std::size_t length;
};

// Whether the chunk begins with the prefix; as for the scan patterns, a zero
// byte ends the chunk's text.
template <std::size_t size> bool begins_with(const line_chunk& chunk, const char (&prefix)[size])
{
    return chunk.length >= size - 1 && std::memcmp(chunk.bytes, prefix, size - 1) == 0;
}

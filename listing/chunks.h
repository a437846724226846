// The listing as a sequence of chunks, read from standard input's descriptor.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "volume_listing.h"

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

// So many bytes past the end of any chunk can be read (and mean nothing), so
// that short copies out of a chunk can be of fixed size.
inline constexpr std::size_t readable_past_chunk = 128;

// The bytes read and not yet handed out, in the reader's buffer.
extern const char* unread_begin;
extern const char* unread_end;

// The newlines among the unread bytes are found a block of 64 bytes at a
// time: bit n of newline_marks stands for the byte at marks_begin + n, and
// is set while that byte is a newline not yet handed out; every byte before
// searched_end has been looked at.
inline constexpr std::size_t marks_block = 64;
extern const char* marks_begin;
extern const char* searched_end;
extern std::uint64_t newline_marks;

// Marks the newlines of the next block from searched_end, up to unread_end.
void mark_newlines();

// Starts reading standard input from where its descriptor stands.  Before a
// read that would wait for input that has not arrived (a pipe, FIFO, socket
// or terminal with nothing pending), it calls before_waiting, and it reads no
// more when that returns false.
void start_reading(bool (*before_waiting)());

// The next chunk when it lies whole among the unread bytes, up to its newline.
inline bool take_line(line_chunk& chunk)
{
    while (newline_marks == 0) {
        if (searched_end == unread_end ||
            static_cast<std::size_t>(searched_end - unread_begin) >= chunk_limit)
            return false;
        mark_newlines();
    }
    const char* end = marks_begin + std::countr_zero(newline_marks) + 1;
    auto length = static_cast<std::size_t>(end - unread_begin);
    if (length > chunk_limit)
        return false;
    newline_marks &= newline_marks - 1;
    chunk = {unread_begin, length};
    unread_begin = end;
    return true;
}

// The next chunk otherwise: one at the limit or at the end of the input, or
// one that more reads complete.
bool take_chunk_reading(line_chunk& chunk);

// The next chunk, handed out as soon as it is whole; false at the end of the
// input, or at a failed read (read_failed), after which nothing more is read
// and the chunk that the failure cut short is dropped.
inline bool next_chunk(line_chunk& chunk)
{
    return take_line(chunk) || take_chunk_reading(chunk);
}

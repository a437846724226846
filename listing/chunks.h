// The listing as a sequence of chunks, read from standard input's descriptor.
#pragma once

#include <cstddef>
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

// Starts reading standard input from where its descriptor stands.  Before a
// read that would wait for input that has not arrived (a pipe, FIFO, socket
// or terminal with nothing pending), it calls before_waiting, and it reads no
// more when that returns false.
void start_reading(bool (*before_waiting)());

// The next chunk when it lies whole among the unread bytes, up to its newline.
inline bool take_line(line_chunk& chunk)
{
    auto unread = static_cast<std::size_t>(unread_end - unread_begin);
    const void* newline =
        std::memchr(unread_begin, '\n', unread < chunk_limit ? unread : chunk_limit);
    if (newline == nullptr)
        return false;
    const char* end = static_cast<const char*>(newline) + 1;
    chunk = {unread_begin, static_cast<std::size_t>(end - unread_begin)};
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

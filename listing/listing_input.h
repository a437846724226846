// Inside the chunk layer: the listing's bytes in one fixed buffer, where the
// reading stands, and the step that hands out a line found whole among the
// bytes read, inline for speed.  The reader owns the buffer and passes it to
// the chunk layer's calls (chunks.h); only they look into it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "line_chunk.h"

// Large reads for speed; a chunk still leaves as soon as its newline has
// arrived, so that a row follows its quota line through a pipe at once.
inline constexpr std::size_t input_size = std::size_t{64} * 1024;
static_assert(input_size >= 2 * chunk_limit, "a chunk must fit beside a read");

// The bytes read and not yet handed out lie from begin to end.  Their
// newlines are found a block of 64 bytes at a time: bit n of newline_marks
// stands for the byte at marks_begin + n, and is set while that byte is a
// newline not yet handed out; every byte before searched_end has been looked
// at.
struct listing_input {
    char bytes[input_size + readable_past_chunk];
    const char* begin;
    const char* end;
    const char* marks_begin;
    const char* searched_end;
    std::uint64_t newline_marks;
    int fd;
    bool may_wait;      // not a regular file, which never waits
    bool waiting_told;  // the reader was told that the next read would wait
    bool ended;         // a read returned nothing or failed: none follows
};

// Finds the newlines of the next block after searched_end.
void mark_newlines(listing_input& input);

// The next chunk when it lies whole among the unread bytes, up to its newline.
inline bool take_line(listing_input& input, line_chunk& chunk)
{
    while (input.newline_marks == 0) {
        if (input.searched_end == input.end ||
            static_cast<std::size_t>(input.searched_end - input.begin) >= chunk_limit)
            return false;
        mark_newlines(input);
    }
    const char* end = input.marks_begin + std::countr_zero(input.newline_marks) + 1;
    auto length = static_cast<std::size_t>(end - input.begin);
    if (length > chunk_limit)
        return false;
    input.newline_marks &= input.newline_marks - 1;
    chunk = {input.begin, length};
    input.begin = end;
    return true;
}

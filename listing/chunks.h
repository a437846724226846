// The listing as a sequence of chunks, read from a descriptor into one fixed
// buffer and handed out as fgets would read them.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "line_chunk.h"

// How reading the listing ended, once next_chunk has returned false.
enum class input_end {
    end_of_input,
    failed_read,  // the chunk that the failure cut short was dropped
    stopped,      // before_waiting asked for no more
};

// Starts reading the descriptor from where it stands.  Before a read that
// would wait for input that has not arrived (a pipe, FIFO, socket or terminal
// with nothing pending), it calls before_waiting, and it reads no more when
// that returns false.
void start_reading(int input, bool (*before_waiting)());

// The next chunk, handed out as soon as it is whole; false at the end of the
// input, at a failed read, or when before_waiting said stop, after which
// nothing more is read.
inline bool next_chunk(line_chunk& chunk);

input_end how_reading_ended();

// The rest of this header is the inside of next_chunk, inline for speed.

inline bool take_line(line_chunk& chunk);
bool take_chunk_reading(line_chunk& chunk);
void mark_newlines();

// The bytes read and not yet handed out, in the reader's buffer, and the
// newlines found among them.  The newlines are found a block of 64 bytes at a
// time: bit n of newline_marks stands for the byte at marks_begin + n, and is
// set while that byte is a newline not yet handed out; every byte before
// searched_end has been looked at.  Only the chunk layer touches it.
class unread_bytes {
    friend bool take_line(line_chunk& chunk);
    friend bool take_chunk_reading(line_chunk& chunk);
    friend void mark_newlines();
    friend void start_reading(int input, bool (*before_waiting)());
    friend void read_more();

    const char* begin = nullptr;
    const char* end = nullptr;
    const char* marks_begin = nullptr;
    const char* searched_end = nullptr;
    std::uint64_t newline_marks = 0;
};

extern unread_bytes unread;

// The next chunk when it lies whole among the unread bytes, up to its newline.
inline bool take_line(line_chunk& chunk)
{
    while (unread.newline_marks == 0) {
        if (unread.searched_end == unread.end ||
            static_cast<std::size_t>(unread.searched_end - unread.begin) >= chunk_limit)
            return false;
        mark_newlines();
    }
    const char* end = unread.marks_begin + std::countr_zero(unread.newline_marks) + 1;
    auto length = static_cast<std::size_t>(end - unread.begin);
    if (length > chunk_limit)
        return false;
    unread.newline_marks &= unread.newline_marks - 1;
    chunk = {unread.begin, length};
    unread.begin = end;
    return true;
}

inline bool next_chunk(line_chunk& chunk)
{
    return take_line(chunk) || take_chunk_reading(chunk);
}

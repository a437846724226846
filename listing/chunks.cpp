// The chunk reader: standard input's descriptor read into one fixed buffer,
// handed out chunk by chunk as fgets would read them.
#include "chunks.h"

#include <unistd.h>

#include <cstdio>

bool read_failed = false;

namespace {

// Large reads for speed; a chunk still leaves as soon as its newline has
// arrived, so that a row follows its quota line through a pipe at once.
constexpr std::size_t input_size = std::size_t{64} * 1024;
static_assert(input_size >= 2 * chunk_limit, "a chunk must fit beside a read");

char input[input_size + readable_past_chunk];
bool input_ended = false;  // a read returned nothing or failed: none follows

}  // namespace

const char* unread_begin = input;
const char* unread_end = input;

namespace {

// Reads more of standard input after the unread bytes, first moved to the
// front of the buffer when a whole chunk might not fit after them.
void read_more()
{
    auto unread = static_cast<std::size_t>(unread_end - unread_begin);
    if (unread == 0 || unread_begin + chunk_limit > input + input_size) {
        std::memmove(input, unread_begin, unread);
        unread_begin = input;
        unread_end = input + unread;
    }
    auto filled = static_cast<std::size_t>(unread_end - input);
    ssize_t got = read(fileno(stdin), input + filled, input_size - filled);
    if (got > 0) {
        unread_end += got;
        return;
    }
    input_ended = true;
    if (got < 0) {
        read_failed = true;
        unread_begin = unread_end;
    }
}

}  // namespace

void start_reading()
{
    unread_begin = unread_end = input;
    input_ended = read_failed = false;
}

bool take_chunk_reading(line_chunk& chunk)
{
    for (;;) {
        // No newline lies among the unread bytes, up to the limit.
        auto unread = static_cast<std::size_t>(unread_end - unread_begin);
        if (unread >= chunk_limit || (input_ended && unread > 0)) {
            std::size_t length = unread < chunk_limit ? unread : chunk_limit;
            chunk = {unread_begin, length};
            unread_begin += length;
            return true;
        }
        if (input_ended)
            return false;
        read_more();
        if (take_line(chunk))
            return true;
    }
}

// The chunk reader: the listing's descriptor read into the reader's buffer,
// handed out chunk by chunk as fgets would read them.
#include "chunks.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

// Whether nothing is ready to read: a poll that cannot tell lets the read
// itself decide.
bool read_would_wait(const listing_input& input)
{
    pollfd ready{input.fd, POLLIN, 0};
    return poll(&ready, 1, 0) == 0;
}

// Reads more of the input after the unread bytes, first moved to the front of
// the buffer when a whole chunk might not fit after them; false when the read
// failed, which drops the unread bytes.
bool read_more(listing_input& input)
{
    auto unread_size = static_cast<std::size_t>(input.end - input.begin);
    if (unread_size == 0 || input.begin + chunk_limit > input.bytes + input_size) {
        std::memmove(input.bytes, input.begin, unread_size);
        input.begin = input.bytes;
        input.end = input.bytes + unread_size;
    }
    // Every unread byte has been searched, and none is a newline.
    input.searched_end = input.end;
    input.waiting_told = false;
    auto filled = static_cast<std::size_t>(input.end - input.bytes);
    ssize_t got = read(input.fd, input.bytes + filled, input_size - filled);
    if (got > 0) {
        input.end += got;
        return true;
    }
    input.ended = true;
    if (got == 0)
        return true;
    input.begin = input.end;
    return false;
}

}  // namespace

void start_reading(listing_input& input, int fd)
{
    input.begin = input.end = input.marks_begin = input.searched_end = input.bytes;
    input.newline_marks = 0;
    input.fd = fd;
    struct stat status {};
    input.may_wait = fstat(fd, &status) != 0 || !S_ISREG(status.st_mode);
    input.waiting_told = false;
    input.ended = false;
}

chunk_outcome read_chunk(listing_input& input, line_chunk& chunk)
{
    for (;;) {
        // No newline lies among the unread bytes, up to the limit.
        auto unread_size = static_cast<std::size_t>(input.end - input.begin);
        if (unread_size >= chunk_limit || (input.ended && unread_size > 0)) {
            std::size_t length = unread_size < chunk_limit ? unread_size : chunk_limit;
            chunk = {input.begin, length};
            input.begin += length;
            return chunk_outcome::chunk;
        }
        if (input.ended)
            return chunk_outcome::end_of_input;
        if (input.may_wait && !input.waiting_told && read_would_wait(input)) {
            input.waiting_told = true;
            return chunk_outcome::would_wait;
        }
        if (!read_more(input))
            return chunk_outcome::failed_read;
        if (take_line(input, chunk))
            return chunk_outcome::chunk;
    }
}

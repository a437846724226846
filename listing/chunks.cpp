// The chunk reader: standard input's descriptor read into one fixed buffer,
// handed out chunk by chunk as fgets would read them.
#include "chunks.h"

#include <poll.h>
#include <sys/stat.h>
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
bool (*before_waiting)() = nullptr;
bool input_may_wait = false;  // not a regular file, which never waits

}  // namespace

const char* unread_begin = input;
const char* unread_end = input;

namespace {

// Whether nothing is ready to read: a poll that cannot tell lets the read
// itself decide.
bool read_would_wait()
{
    pollfd ready{fileno(stdin), POLLIN, 0};
    return input_may_wait && poll(&ready, 1, 0) == 0;
}

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
    if (read_would_wait() && !before_waiting()) {
        input_ended = true;
        unread_begin = unread_end;
        return;
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

void start_reading(bool (*waiting)())
{
    unread_begin = unread_end = input;
    input_ended = read_failed = false;
    before_waiting = waiting;
    struct stat status {};
    input_may_wait = fstat(fileno(stdin), &status) != 0 || !S_ISREG(status.st_mode);
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

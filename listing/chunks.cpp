// The chunk reader: the listing's descriptor read into one fixed buffer,
// handed out chunk by chunk as fgets would read them.
#include "chunks.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "newline_marks.h"

unread_bytes unread;

namespace {

// Large reads for speed; a chunk still leaves as soon as its newline has
// arrived, so that a row follows its quota line through a pipe at once.
constexpr std::size_t input_size = std::size_t{64} * 1024;
static_assert(input_size >= 2 * chunk_limit, "a chunk must fit beside a read");
static_assert(readable_past_chunk >= marks_block, "a block may run past the unread bytes");

char input[input_size + readable_past_chunk];
int input_fd = -1;
bool input_ended = false;  // a read returned nothing or failed: none follows
input_end ending = input_end::end_of_input;
bool (*before_waiting)() = nullptr;
bool input_may_wait = false;  // not a regular file, which never waits

// Whether nothing is ready to read: a poll that cannot tell lets the read
// itself decide.
bool read_would_wait()
{
    pollfd ready{input_fd, POLLIN, 0};
    return input_may_wait && poll(&ready, 1, 0) == 0;
}

void end_input(input_end why)
{
    input_ended = true;
    ending = why;
}

}  // namespace

// Reads more of the input after the unread bytes, first moved to the front of
// the buffer when a whole chunk might not fit after them.
void read_more()
{
    auto unread_size = static_cast<std::size_t>(unread.end - unread.begin);
    if (unread_size == 0 || unread.begin + chunk_limit > input + input_size) {
        std::memmove(input, unread.begin, unread_size);
        unread.begin = input;
        unread.end = input + unread_size;
    }
    // Every unread byte has been searched, and none is a newline.
    unread.searched_end = unread.end;
    if (read_would_wait() && !before_waiting()) {
        end_input(input_end::stopped);
        unread.begin = unread.end;
        return;
    }
    auto filled = static_cast<std::size_t>(unread.end - input);
    ssize_t got = read(input_fd, input + filled, input_size - filled);
    if (got > 0) {
        unread.end += got;
        return;
    }
    if (got == 0) {
        end_input(input_end::end_of_input);
        return;
    }
    end_input(input_end::failed_read);
    unread.begin = unread.end;
}

void mark_newlines()
{
    unread.marks_begin = unread.searched_end;
    auto searched = static_cast<std::size_t>(unread.end - unread.marks_begin);
    unread.newline_marks = newlines_of_block(unread.marks_begin);
    if (searched < marks_block)
        unread.newline_marks &= (std::uint64_t{1} << searched) - 1;
    else
        searched = marks_block;
    unread.searched_end = unread.marks_begin + searched;
}

void start_reading(int fd, bool (*waiting)())
{
    unread.begin = unread.end = unread.marks_begin = unread.searched_end = input;
    unread.newline_marks = 0;
    input_fd = fd;
    input_ended = false;
    ending = input_end::end_of_input;
    before_waiting = waiting;
    struct stat status {};
    input_may_wait = fstat(fd, &status) != 0 || !S_ISREG(status.st_mode);
}

bool take_chunk_reading(line_chunk& chunk)
{
    for (;;) {
        // No newline lies among the unread bytes, up to the limit.
        auto unread_size = static_cast<std::size_t>(unread.end - unread.begin);
        if (unread_size >= chunk_limit || (input_ended && unread_size > 0)) {
            std::size_t length = unread_size < chunk_limit ? unread_size : chunk_limit;
            chunk = {unread.begin, length};
            unread.begin += length;
            return true;
        }
        if (input_ended)
            return false;
        read_more();
        if (take_line(chunk))
            return true;
    }
}

input_end how_reading_ended()
{
    return ending;
}

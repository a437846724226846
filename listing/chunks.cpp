// The chunk reader: standard input's descriptor read into one fixed buffer,
// handed out chunk by chunk as fgets would read them.
#include "chunks.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "words.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
const char* marks_begin = input;
const char* searched_end = input;
std::uint64_t newline_marks = 0;

namespace {

static_assert(readable_past_chunk >= marks_block, "a block may run past the unread bytes");

#if defined(__SSE2__)
// One bit a byte of the block, set for each newline: sixteen bytes compared
// at once.
std::uint64_t newlines_of_16(const char* bytes)
{
    __m128i found = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)),
                                   _mm_set1_epi8('\n'));
    return static_cast<std::uint16_t>(_mm_movemask_epi8(found));
}

std::uint64_t newlines_of_block(const char* block)
{
    return newlines_of_16(block) | newlines_of_16(block + 16) << 16 |
           newlines_of_16(block + 32) << 32 | newlines_of_16(block + 48) << 48;
}
#else
// The same, eight bytes at a time on any machine: the high bit of each byte
// that is a newline, exactly, and those eight bits gathered into one byte.
std::uint64_t newlines_of_block(const char* block)
{
    constexpr std::uint64_t low_bits = 0x7f7f7f7f7f7f7f7f;
    constexpr std::uint64_t newlines = 0x0a0a0a0a0a0a0a0a;
    constexpr std::uint64_t gather = 0x0102040810204080;
    std::uint64_t marks = 0;
    for (int n = 0; n < 8; ++n) {
        std::uint64_t other = load_word(block + 8 * n) ^ newlines;
        std::uint64_t high = ~(((other & low_bits) + low_bits) | other | low_bits);
        marks |= ((high >> 7) * gather >> 56) << (8 * n);
    }
    return marks;
}
#endif

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
    // Every unread byte has been searched, and none is a newline.
    searched_end = unread_end;
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

void mark_newlines()
{
    marks_begin = searched_end;
    auto searched = static_cast<std::size_t>(unread_end - marks_begin);
    newline_marks = newlines_of_block(marks_begin);
    if (searched < marks_block)
        newline_marks &= (std::uint64_t{1} << searched) - 1;
    else
        searched = marks_block;
    searched_end = marks_begin + searched;
}

void start_reading(bool (*waiting)())
{
    unread_begin = unread_end = marks_begin = searched_end = input;
    newline_marks = 0;
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

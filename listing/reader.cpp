// The listing reader: the listing's descriptor read into one fixed buffer,
// its newlines found a block at a time and its chunks handed out as fgets
// would read them; then each chunk told by its kind, record by record.  The
// scan patterns define what each line holds; a plain line, the shape nearly
// every line of a listing has, is decided by hand first (plain_line.cpp),
// and whatever the hand scan is not sure of goes to sscanf.
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "listing.h"

namespace {

// The input.

// Large reads for speed; a chunk still leaves as soon as its newline has
// arrived, so that a row follows its quota line through a pipe at once.
constexpr std::size_t input_size = std::size_t{64} * 1024;
static_assert(input_size >= 2 * chunk_limit, "a chunk must fit beside a read");
static_assert(readable_past_chunk >= marks_block, "a block may run past the unread bytes");
static_assert(sizeof(off_t) == sizeof(std::int64_t), "offsets of 64 bits on every machine");

// The bytes read and not yet handed out lie from begin to end.  Their
// newlines are found a block of 64 bytes at a time: bit n of newline_marks
// stands for the byte at marks_begin + n, and is set while that byte is a
// newline not yet handed out; every byte before searched_end has been looked
// at.  start_reading and scan_listing set all of it.
struct listing_input {
    char bytes[input_size + readable_past_chunk];
    const char* begin;
    const char* end;
    const char* marks_begin;
    const char* searched_end;
    std::uint64_t newline_marks;
    int fd;
    std::uint64_t left;   // how much more of the listing may be read
    std::int64_t offset;  // where the next read begins, or -1: where fd stands
    bool may_wait;        // not a regular file, which never waits
    bool wait_seen;       // the next read was seen to wait, and rows went out
    bool ended;           // a read returned nothing or failed: none follows
    bool failed;          // a read failed
};
listing_input input;

// Eight bytes at a time: the high bit of each byte that is a newline,
// exactly, and those eight bits gathered into one byte.
std::uint64_t newlines_by_eights(const char* block)
{
    constexpr std::uint64_t low_bits = 0x7f7f7f7f7f7f7f7f;
    constexpr std::uint64_t newlines = 0x0a0a0a0a0a0a0a0a;
    constexpr std::uint64_t gather = 0x0102040810204080;
    std::uint64_t marks = 0;
    for (std::size_t n = 0; n < 8; ++n) {
        std::uint64_t other = load_eight(block + 8 * n) ^ newlines;
        std::uint64_t high = ~(((other & low_bits) + low_bits) | other | low_bits);
        marks |= ((high >> 7) * gather >> 56) << (8 * n);
    }
    return marks;
}

#if defined(__SSE2__)
// Sixteen bytes compared at once.
std::uint64_t newlines_of_16(const char* bytes)
{
    __m128i found = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)),
                                   _mm_set1_epi8('\n'));
    return static_cast<std::uint16_t>(_mm_movemask_epi8(found));
}

std::uint64_t newlines_by_sixteens(const char* block)
{
    return newlines_of_16(block) | newlines_of_16(block + 16) << 16 |
           newlines_of_16(block + 32) << 32 | newlines_of_16(block + 48) << 48;
}
#endif

// The input takes the vector way where the processor has one.
std::uint64_t newlines_of_block(const char* block)
{
#if defined(__SSE2__)
    return newlines_by_sixteens(block);
#else
    return newlines_by_eights(block);
#endif
}

// Finds the newlines of the next block after searched_end: once in 64 bytes,
// kept apart from the step that hands out a line, which runs once a line.
[[gnu::noinline]] void mark_newlines()
{
    input.marks_begin = input.searched_end;
    auto searched = static_cast<std::size_t>(input.end - input.marks_begin);
    input.newline_marks = newlines_of_block(input.marks_begin);
    if (searched < marks_block)
        input.newline_marks &= (std::uint64_t{1} << searched) - 1;
    else
        searched = marks_block;
    input.searched_end = input.marks_begin + searched;
}

// The next chunk when it lies whole among the unread bytes, up to its
// newline: the way nearly every line leaves.
inline bool take_line(line_chunk& line)
{
    while (input.newline_marks == 0) {
        if (input.searched_end == input.end ||
            static_cast<std::size_t>(input.searched_end - input.begin) >= chunk_limit)
            return false;
        mark_newlines();
    }
    const char* end = input.marks_begin + std::countr_zero(input.newline_marks) + 1;
    auto length = static_cast<std::size_t>(end - input.begin);
    if (length > chunk_limit)
        return false;
    input.newline_marks &= input.newline_marks - 1;
    line = {input.begin, length};
    input.begin = end;
    return true;
}

// Whether nothing is ready to read: a poll that cannot tell lets the read
// itself decide.
bool read_would_wait()
{
    pollfd ready{input.fd, POLLIN, 0};
    return poll(&ready, 1, 0) == 0;
}

// Nothing more is handed out, and nothing more is read.
void stop_reading()
{
    input.begin = input.end;
    input.ended = true;
}

// Reads more of the listing after the unread bytes, first moved to the front
// of the buffer when a whole chunk might not fit after them; false when the
// read failed, which drops the unread bytes.
bool read_more()
{
    auto unread_size = static_cast<std::size_t>(input.end - input.begin);
    if (unread_size == 0 || input.begin + chunk_limit > input.bytes + input_size) {
        std::memmove(input.bytes, input.begin, unread_size);
        input.begin = input.bytes;
        input.end = input.bytes + unread_size;
    }
    // Every unread byte has been searched, and none is a newline.
    input.searched_end = input.end;
    input.wait_seen = false;
    auto filled = static_cast<std::size_t>(input.end - input.bytes);
    std::size_t room = input_size - filled;
    if (input.left < room)
        room = static_cast<std::size_t>(input.left);
    ssize_t got = 0;
    if (room > 0)
        got = input.offset < 0 ? read(input.fd, input.bytes + filled, room)
                               : pread(input.fd, input.bytes + filled, room, input.offset);
    if (got > 0) {
        input.end += got;
        input.left -= static_cast<std::uint64_t>(got);
        if (input.offset >= 0)
            input.offset += got;
        return true;
    }
    input.ended = true;
    // A listing of a known size ends only once all of it has been read.
    if (got == 0 && (input.offset < 0 || input.left == 0))
        return true;
    input.failed = true;
    stop_reading();
    return false;
}

// The next chunk when it is not whole among the bytes read: reads on.  Kept
// out of line too, so that handing out a whole line stays a few instructions.
[[gnu::noinline]] bool read_line(line_chunk& line)
{
    for (;;) {
        // No newline lies among the unread bytes, up to the limit.
        auto unread_size = static_cast<std::size_t>(input.end - input.begin);
        if (unread_size >= chunk_limit || (input.ended && unread_size > 0)) {
            std::size_t length = unread_size < chunk_limit ? unread_size : chunk_limit;
            line = {input.begin, length};
            input.begin += length;
            return true;
        }
        if (input.ended)
            return false;
        // No finished row waits for input that may be long in coming.
        if (input.may_wait && !input.wait_seen && read_would_wait()) {
            input.wait_seen = true;
            if (!flush_report_rows()) {
                stop_reading();
                return false;
            }
        }
        if (!read_more())
            return false;
        if (take_line(line))
            return true;
    }
}

// Starts reading the listing from the descriptor, from where it stands.
void start_reading(int fd)
{
    input.begin = input.end = input.marks_begin = input.searched_end = input.bytes;
    input.newline_marks = 0;
    input.fd = fd;
    struct stat status {};
    input.may_wait = fstat(fd, &status) != 0 || !S_ISREG(status.st_mode);
    input.wait_seen = false;
    input.ended = false;
    input.failed = false;
}

// The next chunk of the listing, as fgets would read it: false at the end of
// the listing, after a failed read, or when rows that had to go out before a
// read that would wait could not be written.  Before the next read of the
// listing, the finished rows go out where the read would wait.
inline bool next_line(line_chunk& line)
{
    return take_line(line) || read_line(line);
}

// The kinds of line, each scanned into the record being read, which is
// refilled record by record.
volume_entry volume;

// The text of a chunk for the scan patterns: its bytes up to the first zero.
char line_text[line_buffer_size];
static_assert(chunk_limit < sizeof line_text,
              "a chunk and its terminating zero fit the line buffer");

const char* text_of(const line_chunk& line)
{
    std::memcpy(line_text, line.bytes, line.length);
    line_text[line.length] = '\0';
    return line_text;
}

// Only a chunk that ends in its newline is scanned by hand, where it lies.
bool is_whole_line(const line_chunk& line)
{
    return line.bytes[line.length - 1] == '\n';
}

// A chunk of white space alone, up to its end or a zero byte, holds no token
// for the first conversion: the empty line of a listing with CR LF line ends.
bool holds_no_token(const line_chunk& line)
{
    for (std::size_t n = 0; n < line.length && line.bytes[n] != '\0'; ++n)
        if (line.bytes[n] != ' ' && (line.bytes[n] < '\t' || line.bytes[n] > '\r'))
            return false;
    return true;
}

// A chunk that begins no record: indented, empty, or a summary line.
bool is_passed_over(const line_chunk& line)
{
    return line.bytes[0] == ' ' || line.bytes[0] == '\n' ||
           begins_with(line, total_number_prefix) || begins_with(line, total_volumes_prefix);
}

// A header line: fills name, volume_number, type, size_k and status.
bool scan_header(const line_chunk& line)
{
    return (is_whole_line(line) && scan_plain_header(line.bytes, volume)) ||
           (!holds_no_token(line) &&
            std::sscanf(text_of(line), header_pattern, volume.name, &volume.volume_number,
                        volume.type, &volume.size_k, volume.status) == 5);
}

// The first detail line: fills first_detail and second_detail.
bool scan_first_detail(const line_chunk& line)
{
    return begins_with(line, detail_indent) &&
           ((is_whole_line(line) && scan_plain_details(line.bytes, volume)) ||
            std::sscanf(text_of(line), detail_pattern, volume.first_detail, volume.second_detail) ==
                2);
}

// The second detail line, whose content is not examined.
bool is_second_detail(const line_chunk& line)
{
    return begins_with(line, detail_indent);
}

// The quota line: fills max_quota_k.
bool scan_quota(const line_chunk& line)
{
    return begins_with(line, quota_prefix) &&
           ((is_whole_line(line) &&
             scan_plain_quota(line.bytes + sizeof quota_prefix - 1, volume)) ||
            std::sscanf(text_of(line) + sizeof quota_prefix - 1, quota_pattern,
                        &volume.max_quota_k) >= 1);
}

}  // namespace

scan_end scan_listing(int fd, std::FILE* output, listing_span span)
{
    start_report(output);
    start_reading(fd);
    input.left = span.size;
    input.offset = span.offset;
    line_chunk line{};
    bool written = true;
    while (written && next_line(line)) {
        if (is_passed_over(line) || !scan_header(line) || !is_selected(volume, selection))
            continue;
        // The three detail lines of a selected header line.  A line that
        // breaks the record is consumed with it.
        if (next_line(line) && scan_first_detail(line) && next_line(line) &&
            is_second_detail(line) && next_line(line) && scan_quota(line))
            written = write_report_row(volume);
    }
    // The rows before the end, or before a failed read, still go out.
    bool flushed = flush_report_rows();
    // A listing read at the reader's own offset leaves its descriptor where
    // the read ended, as reading it there would have: a command after this
    // one goes on from there, not from where the listing began.
    if (span.offset >= 0 && lseek(fd, input.offset, SEEK_SET) < 0)
        input.failed = true;
    return {input.failed, !flushed};
}

// The newline finders, for the test that holds them against each other.
std::uint64_t portable_newlines(const char* block)
{
    return newlines_by_eights(block);
}

#if defined(__SSE2__)
std::uint64_t sse2_newlines(const char* block)
{
    return newlines_by_sixteens(block);
}
#endif

// The listing filter's one header: the listing's format and the report's,
// the record and the switches, and what each stage of the filter offers the
// others.  A line of the listing is read and told by its kind in the reader
// (reader.cpp), which scans plain lines by hand (plain_line.cpp); a complete
// record goes to the report (report.cpp), which selects the volume and
// writes its row.
#pragma once

#include <bit>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// The listing is read in chunks, as fgets reads into a line buffer of this
// size: at most 1023 bytes, ending after a newline or at that limit.  A longer
// line arrives as several chunks, each a line of its own to the reader.
inline constexpr std::size_t line_buffer_size = 1024;
inline constexpr std::size_t chunk_limit = line_buffer_size - 1;

// So many bytes past the end of any chunk can be read (and mean nothing), so
// that short copies out of a chunk can be of fixed size.
inline constexpr std::size_t readable_past_chunk = 128;

// A header line: name, volume number, type code, size, K, status.  Every text
// field is one token scanned by a "%Ns" conversion, whose buffer holds N
// bytes and the terminating zero; the checks below tie each width in the
// patterns to its buffer.  Counts are unsigned 64-bit on every machine:
// SCNu64 is "lu" where long has 64 bits and "llu" where it has 32.
inline constexpr char header_pattern[] = "%62s%" SCNu64 "%8s%" SCNu64 " K %18s";

// Lines that begin no record: indented ones, empty ones, and the summary
// lines, known by their first words.
inline constexpr char total_number_prefix[] = "Total number of";
inline constexpr char total_volumes_prefix[] = "Total volumes on";

// The three detail lines after a selected header line each begin with the
// indent; the first holds two tokens, the third the quota after its prefix.
inline constexpr char detail_indent[] = "    ";
inline constexpr char detail_pattern[] = "%126s%14s";
inline constexpr char quota_prefix[] = "    MaxQuota ";
inline constexpr char quota_pattern[] = "%" SCNu64 " K";

// A report row is what this format prints of name, quota, size, type and
// the two detail tokens: the name padded to its columns, each count
// right-aligned in its own; longer ones are written whole.  The report puts
// rows together by hand, to the same bytes.
inline constexpr char row_format[] = "%-32s %9" PRIu64 " %9" PRIu64 " %s %s %s\n";
inline constexpr std::size_t name_columns = 32;
inline constexpr std::size_t count_columns = 9;

// The width of the n-th conversion (counted from 0) of a scan or print
// pattern, or 0 when that conversion has none.
constexpr std::size_t conversion_width(const char* pattern, int n)
{
    for (; *pattern != '\0'; ++pattern) {
        if (*pattern != '%')
            continue;
        if (n-- > 0)
            continue;
        if (pattern[1] == '-')
            ++pattern;
        std::size_t width = 0;
        while (*++pattern >= '0' && *pattern <= '9')
            width = width * 10 + static_cast<std::size_t>(*pattern - '0');
        return width;
    }
    return 0;
}

static_assert(conversion_width(row_format, 0) == name_columns &&
                  conversion_width(row_format, 1) == count_columns &&
                  conversion_width(row_format, 2) == count_columns,
              "the row's columns are those of its format");

// One record of the listing, refilled record by record.
struct volume_entry {
    char name[conversion_width(header_pattern, 0) + 1];
    std::uint64_t volume_number;
    char type[conversion_width(header_pattern, 2) + 1];
    std::uint64_t size_k;
    char status[conversion_width(header_pattern, 4) + 1];
    char first_detail[conversion_width(detail_pattern, 0) + 1];
    char second_detail[conversion_width(detail_pattern, 1) + 1];
    std::uint64_t max_quota_k;
};

static_assert(sizeof(volume_entry::name) == 63 && sizeof(volume_entry::type) == 9 &&
                  sizeof(volume_entry::status) == 19,
              "header tokens are 62, 8 and 18 bytes");
static_assert(sizeof(volume_entry::first_detail) == 127 &&
                  sizeof(volume_entry::second_detail) == 15,
              "detail tokens are 126 and 14 bytes");
static_assert(sizeof(quota_prefix) - 1 == 13, "the quota prefix is 13 bytes");
static_assert(sizeof(detail_indent) - 1 == 4, "detail lines are indented by four spaces");

// Which volumes the report wants: the switches that the option letters set.
struct selection_flags {
    bool include_rw = true;
    bool include_ro = false;
    bool include_bk = false;
    bool include_online = true;
    bool include_offline = false;
};

// The run's own switches: set from the command line before any input is
// read, read-only afterwards.
extern selection_flags selection;

// One chunk of the listing, in the reader's buffer: 1 to chunk_limit bytes,
// ending after a newline, at the limit, or at the end of the input, and
// followed by readable_past_chunk bytes that can be read.  It may hold zero
// bytes; to the scan patterns its text ends at the first of them.
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

// Text eight bytes at a time, for the hand scans and the row: the 64 bits
// hold eight bytes of text, the first in the lowest byte, whatever the
// machine's byte order.
inline std::uint64_t in_text_order(std::uint64_t eight)
{
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t reversed = 0;
        for (int n = 0; n < 8; ++n, eight >>= 8)
            reversed = reversed << 8 | (eight & 0xff);
        eight = reversed;
    }
    return eight;
}

inline std::uint64_t load_eight(const char* at)
{
    std::uint64_t eight = 0;
    std::memcpy(&eight, at, sizeof eight);
    return in_text_order(eight);
}

inline void store_eight(char* at, std::uint64_t eight)
{
    eight = in_text_order(eight);
    std::memcpy(at, &eight, sizeof eight);
}

// How many of the eight bytes come before the first one with a bit set: 8
// when there is none.
inline std::size_t bytes_before(std::uint64_t marks)
{
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}

// The reader (reader.cpp).

// The newlines of 64 bytes, one bit a byte (bit n for the byte at block + n),
// as the reader finds them: eight bytes at a time on every machine, and
// sixteen at a time with SSE2, which the reader then takes.
inline constexpr std::size_t marks_block = 64;
std::uint64_t portable_newlines(const char* block);
#if defined(__SSE2__)
std::uint64_t sse2_newlines(const char* block);
#endif

// How the scan of a listing ended: both may be true.
struct scan_end {
    bool read_failed;   // a read of the listing failed; nothing after it was read
    bool write_failed;  // rows could not be written; reading stopped there
};

// What of the listing is read: all of it, from where its descriptor stands
// (whole_listing), or the `size` bytes from `offset` on that it held when the
// run began.  Those are read at the reader's own offset, so that no other
// user of the open file moves it, and a listing that ends before them ends
// in a failed read; at the end the descriptor is left where the read ended,
// and a failure to leave it there is a failed read too.
struct listing_span {
    std::uint64_t size;
    std::int64_t offset;  // -1 for the whole listing
};
inline constexpr listing_span whole_listing{UINT64_MAX, -1};

// Reads the listing from the descriptor `fd` and writes one report row per
// selected, complete record to `output`.  Before a read of the listing that
// would wait, the finished rows go out.
scan_end scan_listing(int fd, std::FILE* output, listing_span span);

// The hand scan of a plain line (plain_line.cpp), which decides the shape
// nearly every line of a listing has, and only that: tokens of printable
// ASCII separated by spaces, each within its conversion's width, and counts
// as runs of at most 19 digits.  Each takes a chunk that ends in its newline
// and returns false where the line is not plain; the scan patterns then
// decide it.
bool scan_plain_header(const char* line, volume_entry& volume);
bool scan_plain_details(const char* line, volume_entry& volume);
bool scan_plain_quota(const char* text, volume_entry& volume);

// The selection and the report (report.cpp).

// Judged from the header line alone: a type code or status other than the
// listed words is always wanted.
bool is_selected(const volume_entry& volume, const selection_flags& flags);

// Starts a report on `output`: a terminal shows each row as it is finished,
// anything else gets the rows in large blocks.
void start_report(std::FILE* output);

// Writes the row of a complete record: to a terminal at once, elsewhere with
// the next block of rows; false when the output refused them.
bool write_report_row(const volume_entry& volume);

// Writes out every finished row, gathered or in the output's buffer; false
// when the output refused them, now or before.
bool flush_report_rows();

// The records of a volume listing, the switches that select them, and the
// procedures that read the listing and write the report.
#pragma once

#include <cinttypes>
#include <cstddef>
#include <cstdint>

// Every text field is one token scanned by a "%Ns" conversion; its buffer
// holds N bytes and the terminating zero.  The patterns are spelled out here
// once, and the checks below tie each width in them to its buffer.  Counts
// are unsigned 64-bit on every machine: SCNu64 is "lu" where long has 64
// bits and "llu" where it has 32.
inline constexpr char header_pattern[] = "%62s%" SCNu64 "%8s%" SCNu64 " K %18s";
inline constexpr char detail_pattern[] = "%126s%14s";
inline constexpr char quota_prefix[] = "    MaxQuota ";
inline constexpr char quota_pattern[] = "%" SCNu64 " K";
// A chunk is what fgets would read into a buffer of this size: at most 1023
// bytes, ending after a newline or at that limit.
inline constexpr std::size_t line_buffer_size = 1024;
inline constexpr std::size_t chunk_limit = line_buffer_size - 1;

// The width of the n-th conversion (counted from 0) of a scan pattern,
// or 0 when that conversion has none.
constexpr std::size_t conversion_width(const char* pattern, int n)
{
    for (; *pattern != '\0'; ++pattern) {
        if (*pattern != '%')
            continue;
        if (n-- > 0)
            continue;
        std::size_t width = 0;
        while (*++pattern >= '0' && *pattern <= '9')
            width = width * 10 + static_cast<std::size_t>(*pattern - '0');
        return width;
    }
    return 0;
}

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

struct selection_flags {
    bool include_rw = true;
    bool include_ro = false;
    bool include_bk = false;
    bool include_online = true;
    bool include_offline = false;
};

// Set from the command line before any input is read; read-only afterwards.
extern selection_flags selection;

// Reads standard input to its end (or to a read error, or to the first row
// that cannot be written) and writes one report row per selected, complete
// record to standard output.
void scan_listing();

// Set when a read of standard input failed; the scan ended there.
extern bool read_failed;

// Reads the three detail lines after a selected header line into `volume`;
// true only when all three fit.
bool read_record_details(volume_entry& volume);

bool is_selected(const volume_entry& volume, const selection_flags& flags);

// Writes the row of a complete record: to a terminal at once, elsewhere with
// the next block of rows; false when standard output refused them.
bool write_report_row(const volume_entry& volume);

// Writes out every finished row, gathered or in standard output's buffer;
// false when standard output refused them.
bool flush_report_rows();

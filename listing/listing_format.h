// The listing's format and the report's, in one place: the scan patterns and
// the record they fill, the words that mark the other kinds of line, and the
// columns of a report row.  Every file of the program takes them from here.
#pragma once

#include <cinttypes>
#include <cstddef>
#include <cstdint>

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

// A report row is what "%-32s %9" PRIu64 " %9" PRIu64 " %s %s %s\n" prints
// of name, quota, size, type and the two detail tokens: the name padded to
// its columns, each count right-aligned in its own; longer ones are written
// whole.
inline constexpr std::size_t name_columns = 32;
inline constexpr std::size_t count_columns = 9;

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
static_assert(sizeof(detail_indent) - 1 == 4, "detail lines are indented by four spaces");

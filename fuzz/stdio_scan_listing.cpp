// The plain stdio loop: every line read with fgets and decided by sscanf.
// It spells the listing's format and the row's on its own, on purpose: an
// oracle that shared the program's patterns, prefixes and widths could not
// catch a wrong one.
#include "stdio_scan_listing.h"

#include <cinttypes>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t line_size = 1024;

struct record {
    char name[63];
    std::uint64_t volume_number;
    char type[9];
    std::uint64_t size_k;
    char status[19];
    char first_detail[127];
    char second_detail[15];
    std::uint64_t max_quota_k;
};

// A read that fails hands over no line, even when it has some of its bytes.
bool read_line(char (&line)[line_size], FILE* input)
{
    return std::fgets(line, sizeof line, input) != nullptr && std::ferror(input) == 0;
}

bool starts_with(const char* line, const char* prefix)
{
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

// Each switch governs the volumes whose type code or status is its word; a
// volume is wanted unless a switch that is off governs it.
bool is_wanted(const record& v, const selection_flags& flags)
{
    const struct {
        const char* field;
        const char* word;
        bool on;
    } switches[] = {
        {v.type, "RW", flags.include_rw},
        {v.type, "RO", flags.include_ro},
        {v.type, "BK", flags.include_bk},
        {v.status, "Off-line", flags.include_offline},
        {v.status, "On-line", flags.include_online},
    };
    for (const auto& s : switches)
        if (!s.on && std::strcmp(s.field, s.word) == 0)
            return false;
    return true;
}

}  // namespace

bool stdio_scan_listing(FILE* input, FILE* output, const selection_flags& flags)
{
    char line[line_size];
    record v{};
    while (read_line(line, input)) {
        if (line[0] == ' ' || line[0] == '\n' || starts_with(line, "Total number of") ||
            starts_with(line, "Total volumes on"))
            continue;
        if (std::sscanf(line, "%62s%" SCNu64 "%8s%" SCNu64 " K %18s", v.name, &v.volume_number,
                        v.type, &v.size_k, v.status) != 5 ||
            !is_wanted(v, flags))
            continue;
        if (!read_line(line, input) || !starts_with(line, "    ") ||
            std::sscanf(line, "%126s%14s", v.first_detail, v.second_detail) != 2)
            continue;
        if (!read_line(line, input) || !starts_with(line, "    "))
            continue;
        if (!read_line(line, input) || !starts_with(line, "    MaxQuota ") ||
            std::sscanf(line + 13, "%" SCNu64 " K", &v.max_quota_k) < 1)
            continue;
        std::fprintf(output, "%-32s %9" PRIu64 " %9" PRIu64 " %s %s %s\n", v.name, v.max_quota_k,
                     v.size_k, v.type, v.first_detail, v.second_detail);
    }
    return std::ferror(input) != 0;
}

// The plain stdio loop: every line read with fgets and decided by sscanf.
#include "stdio_scan_listing.h"

#include <cinttypes>
#include <cstring>

namespace {

constexpr std::size_t line_buffer_size = 1024;

// A read that fails hands over no line, even when it has some of its bytes.
bool read_line(char (&line)[line_buffer_size], FILE* input)
{
    return std::fgets(line, sizeof line, input) != nullptr && std::ferror(input) == 0;
}

bool begins_with(const char* line, const char* prefix)
{
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

// Each switch governs the volumes whose type code or status is its word; a
// volume is wanted unless a switch that is off governs it.
bool is_wanted(const volume_entry& v, const selection_flags& flags)
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
    char line[line_buffer_size];
    volume_entry v{};
    while (read_line(line, input)) {
        if (line[0] == ' ' || line[0] == '\n' || begins_with(line, "Total number of") ||
            begins_with(line, "Total volumes on"))
            continue;
        if (std::sscanf(line, header_pattern, v.name, &v.volume_number, v.type, &v.size_k,
                        v.status) != 5 ||
            !is_wanted(v, flags))
            continue;
        if (!read_line(line, input) || !begins_with(line, "    ") ||
            std::sscanf(line, detail_pattern, v.first_detail, v.second_detail) != 2)
            continue;
        if (!read_line(line, input) || !begins_with(line, "    "))
            continue;
        if (!read_line(line, input) || !begins_with(line, quota_prefix) ||
            std::sscanf(line + std::strlen(quota_prefix), quota_pattern, &v.max_quota_k) < 1)
            continue;
        std::fprintf(output, "%-32s %9" PRIu64 " %9" PRIu64 " %s %s %s\n", v.name, v.max_quota_k,
                     v.size_k, v.type, v.first_detail, v.second_detail);
    }
    return std::ferror(input) != 0;
}

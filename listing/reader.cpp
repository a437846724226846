// The listing reader: one pass over standard input, one chunk at a time.
#include <cstdio>
#include <cstring>

#include "volume_listing.h"

namespace {

// One read of the input: at most 1023 bytes, ending after a newline or at
// that limit.  A longer physical line arrives as several chunks.
char line[line_buffer_size];
volume_entry volume;

// A read that fails part way through a chunk can still hand back the bytes
// before the failure (a read that would block does): they are no chunk.
bool read_chunk()
{
    return std::fgets(line, sizeof line, stdin) != nullptr && !std::ferror(stdin);
}

bool begins_with(const char* prefix)
{
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

bool is_passed_over()
{
    return line[0] == ' ' || line[0] == '\n' || begins_with("Total number of") ||
           begins_with("Total volumes on");
}

bool scan_header(volume_entry& entry)
{
    return std::sscanf(line, header_pattern, entry.name, &entry.volume_number, entry.type,
                       &entry.size_k, entry.status) == 5;
}

}  // namespace

bool read_record_details(volume_entry& entry)
{
    if (!read_chunk() || !begins_with("    ") ||
        std::sscanf(line, detail_pattern, entry.first_detail, entry.second_detail) != 2)
        return false;
    if (!read_chunk() || !begins_with("    "))
        return false;
    return read_chunk() && begins_with(quota_prefix) &&
           std::sscanf(line + sizeof quota_prefix - 1, quota_pattern, &entry.max_quota_k) >= 1;
}

void scan_listing()
{
    while (read_chunk()) {
        if (is_passed_over() || !scan_header(volume) || !is_selected(volume, selection))
            continue;
        // A chunk that breaks the record has been consumed with it.  A read
        // that failed is not always failed again by the next one, and the scan
        // must not go on over a gap in the listing.
        if (read_record_details(volume)) {
            if (!write_report_row(volume))
                return;
        } else if (std::ferror(stdin)) {
            return;
        }
    }
}

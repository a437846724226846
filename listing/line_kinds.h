// The kinds of chunk a listing is made of, and what each one fills in.
#pragma once

#include "line_chunk.h"
#include "listing_format.h"

// A chunk that begins no record: indented, empty, or a summary line.
inline bool is_passed_over(const line_chunk& chunk)
{
    return chunk.bytes[0] == ' ' || chunk.bytes[0] == '\n' ||
           begins_with(chunk, total_number_prefix) || begins_with(chunk, total_volumes_prefix);
}

// A header line: fills name, volume_number, type, size_k and status.
bool scan_header(const line_chunk& chunk, volume_entry& volume);

// The first detail line: fills first_detail and second_detail.
bool scan_first_detail(const line_chunk& chunk, volume_entry& volume);

// The second detail line, whose content is not examined.
inline bool is_second_detail(const line_chunk& chunk)
{
    return begins_with(chunk, detail_indent);
}

// The quota line: fills max_quota_k.
bool scan_quota(const line_chunk& chunk, volume_entry& volume);

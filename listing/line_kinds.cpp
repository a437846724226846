// The line kinds.  The scan patterns define what each chunk holds; a plain
// chunk, the shape nearly every line of a listing has, is decided by hand
// first, and whatever the hand scan is not sure of goes to sscanf.
#include "line_kinds.h"

#include <cstdio>
#include <cstring>

#include "plain_line.h"

namespace {

// The text of a chunk for the scan patterns: its bytes up to the first zero.
char line[line_buffer_size];
static_assert(chunk_limit < sizeof line, "a chunk and its terminating zero fit the line buffer");

const char* text_of(const line_chunk& chunk)
{
    std::memcpy(line, chunk.bytes, chunk.length);
    line[chunk.length] = '\0';
    return line;
}

// Only a chunk that ends in its newline is scanned by hand, where it lies.
bool is_whole_line(const line_chunk& chunk)
{
    return chunk.bytes[chunk.length - 1] == '\n';
}

// A chunk of white space alone, up to its end or a zero byte, holds no token
// for the first conversion: the empty line of a listing with CR LF line ends.
bool holds_no_token(const line_chunk& chunk)
{
    for (std::size_t n = 0; n < chunk.length && chunk.bytes[n] != '\0'; ++n)
        if (chunk.bytes[n] != ' ' && (chunk.bytes[n] < '\t' || chunk.bytes[n] > '\r'))
            return false;
    return true;
}

}  // namespace

bool scan_header(const line_chunk& chunk, volume_entry& volume)
{
    return (is_whole_line(chunk) && scan_plain_header(chunk.bytes, volume)) ||
           (!holds_no_token(chunk) &&
            std::sscanf(text_of(chunk), header_pattern, volume.name, &volume.volume_number,
                        volume.type, &volume.size_k, volume.status) == 5);
}

bool scan_first_detail(const line_chunk& chunk, volume_entry& volume)
{
    return begins_with(chunk, detail_indent) &&
           ((is_whole_line(chunk) && scan_plain_details(chunk.bytes, volume)) ||
            std::sscanf(text_of(chunk), detail_pattern, volume.first_detail,
                        volume.second_detail) == 2);
}

bool scan_quota(const line_chunk& chunk, volume_entry& volume)
{
    return begins_with(chunk, quota_prefix) &&
           ((is_whole_line(chunk) &&
             scan_plain_quota(chunk.bytes + sizeof quota_prefix - 1, volume)) ||
            std::sscanf(text_of(chunk) + sizeof quota_prefix - 1, quota_pattern,
                        &volume.max_quota_k) >= 1);
}

// The listing reader: one pass over the listing, record by record.
#include "reader.h"

#include <optional>

#include "chunks.h"
#include "line_kinds.h"
#include "report.h"
#include "selection.h"

namespace {

// The listing's bytes as they are read, and the record they fill.
listing_input input;
volume_entry volume;

// What the reader does when the chunk layer has no chunk for it: before a
// read that would wait, the finished rows go out, and the read goes on;
// anything else ends the scan.
std::optional<scan_end> without_a_chunk(chunk_outcome got, line_chunk& chunk)
{
    for (;;) {
        switch (got) {
        case chunk_outcome::chunk: return std::nullopt;
        case chunk_outcome::would_wait:
            // No finished row waits for input that may be long in coming.
            if (!flush_report_rows())
                return scan_end::failed_write;
            break;
        case chunk_outcome::end_of_input:
            return flush_report_rows() ? scan_end::end_of_input : scan_end::failed_write;
        case chunk_outcome::failed_read:
            // The rows before the failure still go out.
            return flush_report_rows() ? scan_end::failed_read : scan_end::failed_read_and_write;
        }
        got = next_chunk(input, chunk);
    }
}

// The next chunk of the listing, or how the scan ends.
inline std::optional<scan_end> next_listing_chunk(line_chunk& chunk)
{
    chunk_outcome got = next_chunk(input, chunk);
    return got == chunk_outcome::chunk ? std::nullopt : without_a_chunk(got, chunk);
}

}  // namespace

scan_end scan_listing(int fd, std::FILE* output)
{
    start_report(output);
    start_reading(input, fd);
    line_chunk chunk{};
    for (;;) {
        if (auto end = next_listing_chunk(chunk))
            return *end;
        if (is_passed_over(chunk) || !scan_header(chunk, volume) || !is_selected(volume, selection))
            continue;
        // The three detail lines of a selected header line.  A chunk that
        // breaks the record is consumed with it.
        if (auto end = next_listing_chunk(chunk))
            return *end;
        if (!scan_first_detail(chunk, volume))
            continue;
        if (auto end = next_listing_chunk(chunk))
            return *end;
        if (!is_second_detail(chunk))
            continue;
        if (auto end = next_listing_chunk(chunk))
            return *end;
        if (scan_quota(chunk, volume) && !write_report_row(volume))
            return scan_end::failed_write;
    }
}

// The listing reader: one pass over standard input, record by record.
#include "chunks.h"
#include "line_kinds.h"
#include "volume_listing.h"

namespace {

volume_entry volume;

}  // namespace

bool read_record_details(volume_entry& entry)
{
    line_chunk chunk{};
    return next_chunk(chunk) && scan_first_detail(chunk, entry) && next_chunk(chunk) &&
           is_second_detail(chunk) && next_chunk(chunk) && scan_quota(chunk, entry);
}

void scan_listing()
{
    // Rows go out in large blocks while the listing streams in, and as soon
    // as it stalls, so that none waits for input that may be long in coming.
    start_reading(flush_report_rows);
    line_chunk chunk{};
    while (next_chunk(chunk)) {
        if (is_passed_over(chunk) || !scan_header(chunk, volume) || !is_selected(volume, selection))
            continue;
        // A chunk that breaks the record has been consumed with it, and after
        // a failed read no chunk follows.
        if (read_record_details(volume) && !write_report_row(volume))
            return;
    }
    // A failure here is standard output's, which the caller sees.
    flush_report_rows();
}

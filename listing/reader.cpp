// The listing reader: one pass over the listing, record by record.
#include "reader.h"

#include "chunks.h"
#include "line_kinds.h"
#include "report.h"
#include "selection.h"

namespace {

volume_entry volume;

// The three detail lines after a selected header line; true only when all
// three fit.  A chunk that breaks the record is consumed with it.
bool read_record_details(volume_entry& entry)
{
    line_chunk chunk{};
    return next_chunk(chunk) && scan_first_detail(chunk, entry) && next_chunk(chunk) &&
           is_second_detail(chunk) && next_chunk(chunk) && scan_quota(chunk, entry);
}

}  // namespace

scan_end scan_listing(int input, std::FILE* output)
{
    start_report(output);
    // Rows go out in large blocks while the listing streams in, and as soon
    // as it stalls, so that none waits for input that may be long in coming.
    start_reading(input, flush_report_rows);
    line_chunk chunk{};
    while (next_chunk(chunk)) {
        if (is_passed_over(chunk) || !scan_header(chunk, volume) || !is_selected(volume, selection))
            continue;
        // After a failed read no chunk follows.
        if (read_record_details(volume) && !write_report_row(volume))
            return scan_end::failed_write;
    }
    switch (how_reading_ended()) {
    case input_end::stopped: return scan_end::failed_write;  // the rows could not be flushed
    case input_end::failed_read:
        // The rows before the failure still go out; should that fail too, the
        // output's own error flag tells.
        flush_report_rows();
        return scan_end::failed_read;
    case input_end::end_of_input: break;
    }
    return flush_report_rows() ? scan_end::end_of_input : scan_end::failed_write;
}

// The listing reader: one pass over the listing, record by record, writing
// the report as it goes.
#pragma once

#include <cstdio>

// How the scan of a listing ended.
enum class scan_end {
    end_of_input,           // the listing was read to its end
    failed_read,            // a read of the listing failed; nothing after it was read
    failed_write,           // rows could not be written; reading stopped there
    failed_read_and_write,  // a read failed, and the rows before it could not be written
};

// Reads the listing from the descriptor `input` to its end and writes one
// report row per selected, complete record to `output`.
scan_end scan_listing(int input, std::FILE* output);

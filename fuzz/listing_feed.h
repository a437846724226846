// Fuzz input as the filter's listing.  The first byte chooses the switches
// (bits 0 to 4: -w, -r, -b, -n, -f), whether the listing ends in a failed
// read rather than at the end of the input (bit 5), and how much of it each
// read hands over (bits 6 and 7: all that is asked for, or pieces of 1 to 3,
// 1 to 100 or 1 to 2000 bytes); the listing is the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "listing/listing.h"

struct fed_listing {
    const char* bytes;
    std::size_t size;
    selection_flags flags;
    bool ends_in_failure;
    std::uint8_t piece_sizes;
};

fed_listing feed_listing(const std::uint8_t* data, std::size_t size);

// A stream that reads the listing, with the same end, for the stdio reader.
FILE* open_listing_stream(const fed_listing& listing);

// Runs the filter's reader on the listing under its switches; the report
// lands in `report` (to be freed).  True when the scan ended in a failed read.
bool run_scan_listing(const fed_listing& listing, char*& report, std::size_t& report_length);

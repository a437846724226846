// The straightforward reading loop that the filter's reader must equal:
// fgets into a 1024-byte line, the scan patterns through sscanf, the five
// switches judged from their own table, and the row through printf.
#pragma once

#include <cstdio>

#include "listing/listing.h"

// Writes the report of `input` to `output`; true when the scan ended in a
// failed read.
bool stdio_scan_listing(FILE* input, FILE* output, const selection_flags& flags);

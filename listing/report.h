// The report: one row per selected, complete record, written to the stream
// the report goes to.
#pragma once

#include <cstdio>

#include "listing_format.h"

// Starts a report on `output`: a terminal shows each row as it is finished,
// anything else gets the rows in large blocks.
void start_report(std::FILE* output);

// Writes the row of a complete record: to a terminal at once, elsewhere with
// the next block of rows; false when the output refused them.
bool write_report_row(const volume_entry& volume);

// Writes out every finished row, gathered or in the output's buffer; false
// when the output refused them.
bool flush_report_rows();

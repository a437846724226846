// The hand scan of a plain line, which decides the shape nearly every line of
// a listing has, and only that: tokens of printable ASCII separated by spaces,
// each within its conversion's width, and counts as runs of at most 19 digits.
// Each scan takes a chunk that ends in its newline and returns false where the
// line is not plain; the scan patterns then decide it.
#pragma once

#include "listing_format.h"

// name number type size K status, one or more spaces apart; whatever follows
// the status is not looked at.
bool scan_plain_header(const char* line, volume_entry& volume);

// Spaces, then the two detail tokens.
bool scan_plain_details(const char* line, volume_entry& volume);

// Spaces, then the quota; whatever follows its digits is not looked at.
bool scan_plain_quota(const char* text, volume_entry& volume);

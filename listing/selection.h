// The test of a volume's type code and status against the switches.
#pragma once

#include "listing_format.h"
#include "selection_flags.h"

// Judged from the header line alone: a type code or status other than the
// listed words is always wanted.
bool is_selected(const volume_entry& volume, const selection_flags& flags);

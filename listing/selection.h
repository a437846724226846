// Which volumes the report wants: the switches that the option letters set,
// and the test of a volume's type code and status against them.
#pragma once

#include "listing_format.h"

struct selection_flags {
    bool include_rw = true;
    bool include_ro = false;
    bool include_bk = false;
    bool include_online = true;
    bool include_offline = false;
};

// Set from the command line before any input is read; read-only afterwards.
extern selection_flags selection;

// Judged from the header line alone: a type code or status other than the
// listed words is always wanted.
bool is_selected(const volume_entry& volume, const selection_flags& flags);

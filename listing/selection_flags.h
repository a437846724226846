// Which volumes the report wants: the switches that the option letters set.
#pragma once

struct selection_flags {
    bool include_rw = true;
    bool include_ro = false;
    bool include_bk = false;
    bool include_online = true;
    bool include_offline = false;
};

// The run's own switches: set from the command line before any input is
// read, read-only afterwards.
extern selection_flags selection;

// Which volumes are wanted, and the report row of each.
#include <cstdio>
#include <cstring>

#include "volume_listing.h"

selection_flags selection;

namespace {

bool is(const char* token, const char* word)
{
    return std::strcmp(token, word) == 0;
}

}  // namespace

// A type code or status other than the listed words is always wanted.
bool is_selected(const volume_entry& volume, const selection_flags& flags)
{
    if (is(volume.type, "RW") && !flags.include_rw)
        return false;
    if (is(volume.type, "RO") && !flags.include_ro)
        return false;
    if (is(volume.type, "BK") && !flags.include_bk)
        return false;
    if (is(volume.status, "Off-line") && !flags.include_offline)
        return false;
    return !(is(volume.status, "On-line") && !flags.include_online);
}

bool write_report_row(const volume_entry& volume)
{
    return std::printf("%-32s %9lu %9lu %s %s %s\n", volume.name, volume.max_quota_k, volume.size_k,
                       volume.type, volume.first_detail, volume.second_detail) >= 0;
}

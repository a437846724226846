// Which volumes are wanted.
#include "selection.h"

#include <cstring>

selection_flags selection;

namespace {

// The whole token, compared with the word and its terminating zero.
template <std::size_t size, std::size_t word_size>
bool is(const char (&token)[size], const char (&word)[word_size])
{
    static_assert(word_size <= size, "the word fits the token's buffer");
    return std::memcmp(token, word, word_size) == 0;
}

}  // namespace

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

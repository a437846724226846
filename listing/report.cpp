// Which volumes are wanted, and the report row of each.
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>

#include "volume_listing.h"

selection_flags selection;

namespace {

// The whole token, compared with the word and its terminating zero.
template <std::size_t size, std::size_t word_size>
bool is(const char (&token)[size], const char (&word)[word_size])
{
    static_assert(word_size <= size, "the word fits the token's buffer");
    return std::memcmp(token, word, word_size) == 0;
}

// The row is what "%-32s %9lu %9lu %s %s %s\n" would print, put together by
// hand: the name padded to 32 columns, the quota and the size right-aligned in
// 9, then the type and the two detail tokens, one space apart.
constexpr std::size_t name_columns = 32;
constexpr std::size_t count_columns = 9;
constexpr std::size_t count_digits = std::numeric_limits<unsigned long>::digits10 + 1;

// Each piece is put with a copy or a fill of fixed size, which the compiler
// makes a few moves, and the next piece starts where the last one really
// ended; so the row buffer has room for the widest row and the widest copy
// past its end.  The widest row counts each token at its width and its
// buffer's terminating zero for the space or newline after it.
constexpr std::size_t row_size = sizeof volume_entry::name + 2 * (count_digits + 1) +
                                 sizeof volume_entry::type + sizeof volume_entry::first_detail +
                                 sizeof volume_entry::second_detail;
static_assert(sizeof volume_entry::name > name_columns && count_digits > count_columns,
              "the widest row holds the longest name and the largest counts");
char row[row_size + sizeof volume_entry::first_detail];

template <std::size_t size> char* put_token(char* at, const char (&token)[size])
{
    std::memcpy(at, token, size);
    return at + std::strlen(token);
}

char* put_spaces_to(char* at, char* column)
{
    std::memset(at, ' ', name_columns);
    return at < column ? column : at;
}

// "00" to "99": the digits of a count are written two at a time.
constexpr auto digit_pairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t n = 0; n < 100; ++n) {
        pairs[2 * n] = static_cast<char>('0' + n / 10);
        pairs[2 * n + 1] = static_cast<char>('0' + n % 10);
    }
    return pairs;
}();

// The digits are written backwards, and copied with whatever follows them:
// the next piece overwrites it.
char* put_count(char* at, unsigned long count)
{
    char digits[2 * count_digits] = {};
    char* first = digits + count_digits;
    for (; count >= 100; count /= 100)
        std::memcpy(first -= 2, &digit_pairs[2 * (count % 100)], 2);
    if (count >= 10)
        std::memcpy(first -= 2, &digit_pairs[2 * count], 2);
    else
        *--first = static_cast<char>('0' + count);
    auto length = static_cast<std::size_t>(digits + count_digits - first);
    std::memset(at, ' ', count_columns);
    at += length < count_columns ? count_columns - length : 0;
    std::memcpy(at, first, count_digits);
    return at + length;
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
    char* end = put_spaces_to(put_token(row, volume.name), row + name_columns);
    *end++ = ' ';
    end = put_count(end, volume.max_quota_k);
    *end++ = ' ';
    end = put_count(end, volume.size_k);
    *end++ = ' ';
    end = put_token(end, volume.type);
    *end++ = ' ';
    end = put_token(end, volume.first_detail);
    *end++ = ' ';
    end = put_token(end, volume.second_detail);
    *end++ = '\n';
    auto length = static_cast<std::size_t>(end - row);
    return std::fwrite(row, 1, length, stdout) == length;
}

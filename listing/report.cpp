// The selection of each volume, and the report row of each selected,
// complete record.
#include <unistd.h>

#include <array>
#include <limits>

#include "listing.h"

selection_flags selection;

namespace {

// The whole token, compared with the word and its terminating zero.
template <std::size_t size, std::size_t word_size>
bool is(const char (&token)[size], const char (&word)[word_size])
{
    static_assert(word_size <= size, "the word fits the token's buffer");
    return std::memcmp(token, word, word_size) == 0;
}

// The row is put together by hand, to the bytes that row_format prints.
constexpr std::size_t count_digits = std::numeric_limits<std::uint64_t>::digits10 + 1;

// Each piece is put with a copy or a fill of fixed size, which the compiler
// makes a few moves, and the next piece starts where the last one really
// ended; so the row buffer has room for the widest row and for the widest
// copy past its end.  The widest row counts each token at its width and its
// buffer's terminating zero for the space or newline after it.
constexpr std::size_t row_size = sizeof volume_entry::name + 2 * (count_digits + 1) +
                                 sizeof volume_entry::type + sizeof volume_entry::first_detail +
                                 sizeof volume_entry::second_detail;
static_assert(sizeof volume_entry::name > name_columns && count_digits > count_columns,
              "the widest row holds the longest name and the largest counts");

// Finished rows gather here and go to the output about 64 KiB at a time, as
// large as the reads of the listing, which the stream's own buffer of a few
// KiB then writes in one or two calls instead of many.  A row is put
// together where the last one ended, so there is room past the block for one
// more row and for the widest copy past its end.
constexpr std::size_t rows_block = std::size_t{64} * 1024;
char rows[rows_block + row_size + sizeof volume_entry::first_detail];
char* rows_end = rows;
std::FILE* report_output = nullptr;
// A reader at a terminal sees each row as it is finished: 1 when the output
// is one, found at the first row.
signed char row_by_row = -1;
// The output refused rows: nothing more is handed to it.
bool refused = false;

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

// "00" to "99": the digits of a long count are written two at a time.
constexpr auto digit_pairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t n = 0; n < 100; ++n) {
        pairs[2 * n] = static_cast<char>('0' + n / 10);
        pairs[2 * n + 1] = static_cast<char>('0' + n % 10);
    }
    return pairs;
}();

// The eight digits of a count below 10^8 in one word, the first in its lowest
// byte: split into halves of four digits, each half into pairs, each pair
// into digits, all lanes at once.  Multiplying by 10486 and shifting by 20
// divides by 100 below 10^4, by 103 and 10 divides by 10 below 100.
std::uint64_t eight_digits(std::uint64_t count)
{
    std::uint64_t word = count / 10000 | std::uint64_t{count % 10000} << 32;
    std::uint64_t high = (word * 10486 >> 20) & 0x0000007f0000007f;
    word = high | (word - high * 100) << 16;
    high = (word * 103 >> 10) & 0x000f000f000f000f;
    return high | (word - high * 10) << 8;
}

// A count right-aligned in its columns.  Below 10^8 its digits are made all
// at once and its leading zeros turned into spaces; a longer one is written
// from its last digit back, two at a time, and copied with whatever follows
// it, which the next piece overwrites.
char* put_count(char* at, std::uint64_t count)
{
    static_assert(count_columns == 9, "a space and eight digits");
    if (count < 100000000) {
        constexpr std::uint64_t ones = 0x0101010101010101;
        std::uint64_t digits = eight_digits(count);
        // Every leading zero but the last digit, as the low bits of bytes.
        int zero_bits = count == 0 ? 56 : std::countr_zero(digits) / 8 * 8;
        std::uint64_t spaces = zero_bits == 0 ? 0 : ~std::uint64_t{0} >> (64 - zero_bits);
        *at = ' ';
        store_eight(at + 1, ((digits + '0' * ones) & ~spaces) | (' ' * ones & spaces));
        return at + count_columns;
    }
    char digits[2 * count_digits] = {};
    char* first = digits + count_digits;
    for (; count >= 100; count /= 100)
        std::memcpy(first -= 2, &digit_pairs[2 * static_cast<std::size_t>(count % 100)], 2);
    if (count >= 10)
        std::memcpy(first -= 2, &digit_pairs[2 * static_cast<std::size_t>(count)], 2);
    else
        *--first = static_cast<char>('0' + count);
    // Nine digits or more fill the columns.
    auto length = static_cast<std::size_t>(digits + count_digits - first);
    std::memcpy(at, first, count_digits);
    return at + length;
}

// Hands the gathered rows to the output; false when it refused them.
bool hand_over_rows()
{
    auto length = static_cast<std::size_t>(rows_end - rows);
    rows_end = rows;
    if (length > 0 && std::fwrite(rows, 1, length, report_output) != length)
        refused = true;
    return !refused;
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

void start_report(std::FILE* output)
{
    report_output = output;
    rows_end = rows;
    row_by_row = -1;
    refused = false;
}

bool write_report_row(const volume_entry& volume)
{
    if (row_by_row < 0)
        row_by_row = isatty(fileno(report_output)) == 1 ? 1 : 0;
    char* end = put_spaces_to(put_token(rows_end, volume.name), rows_end + name_columns);
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
    rows_end = end;
    return (row_by_row == 0 && rows_end < rows + rows_block) || hand_over_rows();
}

bool flush_report_rows()
{
    if (!refused && hand_over_rows() && std::fflush(report_output) != 0)
        refused = true;
    return !refused;
}

// The hand scan of a plain line, beside the scan patterns that define it
// (reader.cpp).  It reads eight bytes at a time: a chunk in the input's
// buffer is followed by bytes that can be read (readable_past_chunk), so
// eight bytes may run past the newline, and a token's buffer is filled with
// one copy of fixed size; neither looks at what lies past the newline.
#include <limits>

#include "listing.h"

namespace {

constexpr std::size_t plain_count_digits = std::numeric_limits<std::uint64_t>::digits10;
static_assert(plain_count_digits == 19, "a run of 19 digits is below 2^64");

// The high bit of every byte of the word below `low` or above `high` (both
// below 0x80): exact up to the first such byte, which is all that is used.
template <char low, char high> std::uint64_t bytes_outside(std::uint64_t word)
{
    constexpr std::uint64_t ones = 0x0101010101010101;
    static_assert(low > 0 && high >= low, "bounds below 0x80");
    std::uint64_t below = (word - low * ones) & ~word;
    std::uint64_t above = (word + (0x7f - high) * ones) | word;
    return (below | above) & (0x80 * ones);
}

// The first byte from `at` on that is below `low` or above `high`.
template <char low, char high> const char* first_outside(const char* at)
{
    for (;; at += 8) {
        std::size_t inside = bytes_before(bytes_outside<low, high>(load_eight(at)));
        if (inside < 8)
            return at + inside;
    }
}

// Where "%s" ends a token: white space or a zero byte.
bool is_token_end(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\0';
}

// Each step returns the byte after what it took, or nullptr where the line is
// not plain.

// The first byte from `at` on that is not a space.
const char* past_spaces(const char* at)
{
    constexpr std::uint64_t spaces = 0x2020202020202020;
    for (;; at += 8) {
        std::size_t inside = bytes_before(load_eight(at) ^ spaces);
        if (inside < 8)
            return at + inside;
    }
}

// One or more spaces.
const char* skip_spaces(const char* at)
{
    return *at == ' ' ? past_spaces(at + 1) : nullptr;
}

// A token of printable ASCII that fits its conversion's width: its buffer's
// size less the terminating zero.
template <std::size_t size> const char* take_token(const char* at, char (&into)[size])
{
    static_assert(size <= readable_past_chunk, "a token's buffer is copied whole");
    const char* end = first_outside<'!', '~'>(at);
    auto length = static_cast<std::size_t>(end - at);
    if (length == 0 || length >= size || !is_token_end(*end))
        return nullptr;
    std::memcpy(into, at, size);
    into[length] = '\0';
    return end;
}

// The value of the first 1 to 8 bytes of a word of digits: each pair of
// digits is joined, then each pair of pairs, then the two halves.
std::uint64_t digits_value(std::uint64_t word, std::size_t length)
{
    word = (word - 0x3030303030303030) << (8 * (8 - length));
    word = (word * 10 + (word >> 8)) & 0x00ff00ff00ff00ff;
    word = (word * 100 + (word >> 16)) & 0x0000ffff0000ffff;
    return (word * 10000 + (word >> 32)) & 0xffffffff;
}

// An unsigned count without a sign; whatever follows its digits ends it.  A
// run too long for a count is summed to no purpose, and then refused.
const char* take_count(const char* at, std::uint64_t& value)
{
    static constexpr std::uint64_t powers_of_ten[] = {1,      10,      100,      1000,     10000,
                                                      100000, 1000000, 10000000, 100000000};
    const char* start = at;
    std::uint64_t count = 0;
    for (;; at += 8) {
        std::uint64_t word = load_eight(at);
        std::size_t digits = bytes_before(bytes_outside<'0', '9'>(word));
        if (digits > 0)
            count = count * powers_of_ten[digits] + digits_value(word, digits);
        if (digits < 8) {
            at += digits;
            break;
        }
    }
    auto length = static_cast<std::size_t>(at - start);
    if (length == 0 || length > plain_count_digits)
        return nullptr;
    value = count;
    return at;
}

}  // namespace

bool scan_plain_header(const char* at, volume_entry& volume)
{
    at = take_token(at, volume.name);
    if (at == nullptr || (at = skip_spaces(at)) == nullptr)
        return false;
    at = take_count(at, volume.volume_number);
    if (at == nullptr || (at = skip_spaces(at)) == nullptr)
        return false;
    at = take_token(at, volume.type);
    if (at == nullptr || (at = skip_spaces(at)) == nullptr)
        return false;
    at = take_count(at, volume.size_k);
    if (at == nullptr || (at = skip_spaces(at)) == nullptr || *at != 'K')
        return false;
    at = skip_spaces(at + 1);
    return at != nullptr && take_token(at, volume.status) != nullptr;
}

bool scan_plain_details(const char* at, volume_entry& volume)
{
    at = skip_spaces(at);
    if (at == nullptr || (at = take_token(at, volume.first_detail)) == nullptr)
        return false;
    at = skip_spaces(at);
    return at != nullptr && take_token(at, volume.second_detail) != nullptr;
}

bool scan_plain_quota(const char* at, volume_entry& volume)
{
    return take_count(past_spaces(at), volume.max_quota_k) != nullptr;
}

// Feeds arbitrary bytes to the listing reader through its reads of the
// listing's descriptor and checks every report row it writes.  The first
// byte chooses the switches and how the listing arrives (listing_feed.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "listing_feed.h"

namespace {

[[noreturn]] void fail(const char* why, const char* row, std::size_t length)
{
    std::fprintf(stderr, "%s in row \"%.*s\"\n", why, static_cast<int>(length), row);
    std::abort();
}

bool is_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A row is six tokens; written again with the report's layout they must give
// the row back, which proves that no token held white space and that the
// padding is right.  The widths and the layout are spelled here on their
// own, so that a wrong one in the program shows.
void check_row(const char* row, std::size_t length)
{
    // name, quota and size (the digits of the largest 64-bit count), type
    // and the two detail tokens
    static const std::size_t widest[6] = {62, 20, 20, 8, 126, 14};
    char tokens[6][128] = {};
    std::size_t at = 0;
    for (int n = 0; n < 6; ++n) {
        while (at < length && row[at] == ' ')
            ++at;
        std::size_t start = at;
        while (at < length && !is_space(row[at]))
            ++at;
        std::size_t token_length = at - start;
        if (token_length == 0 || token_length > widest[n])
            fail("token missing or too long", row, length);
        std::memcpy(tokens[n], row + start, token_length);
    }
    for (int n = 1; n <= 2; ++n)
        if (std::strspn(tokens[n], "0123456789") != std::strlen(tokens[n]))
            fail("number with a non-digit", row, length);
    char again[512];
    int written = std::snprintf(again, sizeof again, "%-32s %9s %9s %s %s %s", tokens[0], tokens[1],
                                tokens[2], tokens[3], tokens[4], tokens[5]);
    if (written < 0 || static_cast<std::size_t>(written) != length ||
        std::memcmp(again, row, length) != 0)
        fail("layout differs", row, length);
}

void check_report(const char* report, std::size_t length)
{
    if (length > 0 && report[length - 1] != '\n')
        fail("report does not end in a newline", report, length);
    if (std::memchr(report, '\0', length) != nullptr)
        fail("zero byte", report, length);
    for (std::size_t at = 0; at < length;) {
        const char* end = static_cast<const char*>(std::memchr(report + at, '\n', length - at));
        check_row(report + at, static_cast<std::size_t>(end - (report + at)));
        at = static_cast<std::size_t>(end - report) + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char* report = nullptr;
    std::size_t report_length = 0;
    run_scan_listing(feed_listing(data, size), report, report_length);
    check_report(report, report_length);
    std::free(report);
    return 0;
}

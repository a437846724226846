// Runs arbitrary bytes through the filter's reader and through the plain
// stdio loop it replaces, and fails on any difference in the report or in
// whether the scan failed.  The first byte chooses the switches and how the
// listing arrives (listing_feed.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "listing_feed.h"
#include "stdio_scan_listing.h"

namespace {

[[noreturn]] void fail(const char* why, const char* expected, std::size_t expected_length,
                       const char* actual, std::size_t actual_length)
{
    std::fprintf(stderr, "%s\n--- stdio loop:\n%.*s--- reader:\n%.*s", why,
                 static_cast<int>(expected_length), expected, static_cast<int>(actual_length),
                 actual);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fed_listing listing = feed_listing(data, size);

    char* expected = nullptr;
    std::size_t expected_length = 0;
    FILE* input = open_listing_stream(listing);
    FILE* output = open_memstream(&expected, &expected_length);
    if (output == nullptr)
        std::abort();
    bool expected_failure = stdio_scan_listing(input, output, listing.flags);
    std::fclose(input);
    std::fclose(output);

    char* actual = nullptr;
    std::size_t actual_length = 0;
    bool actual_failure = run_scan_listing(listing, actual, actual_length);

    if (actual_length != expected_length || std::memcmp(actual, expected, actual_length) != 0)
        fail("the reports differ", expected, expected_length, actual, actual_length);
    if (actual_failure != expected_failure)
        fail(expected_failure ? "the read failure was missed" : "a read failure was made up",
             expected, expected_length, actual, actual_length);
    std::free(expected);
    std::free(actual);
    return 0;
}

// Holds the ways of finding the newlines of a 64-byte block against each
// other and against the bytes themselves, on every block of the input, at
// every offset.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "listing/listing.h"

namespace {

std::uint64_t newlines_one_by_one(const char* block)
{
    std::uint64_t marks = 0;
    for (std::size_t n = 0; n < marks_block; ++n)
        marks |= std::uint64_t{block[n] == '\n'} << n;
    return marks;
}

void check(const char* way, std::uint64_t found, std::uint64_t expected, std::size_t offset)
{
    if (found == expected)
        return;
    std::fprintf(stderr, "%s: marks %016llx for the block at %zu, not %016llx\n", way,
                 static_cast<unsigned long long>(found), offset,
                 static_cast<unsigned long long>(expected));
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A short input is a block with zero bytes after it.
    std::vector<char> bytes(size + marks_block);
    if (size > 0)
        std::memcpy(bytes.data(), data, size);
    std::size_t blocks = size < marks_block ? 1 : size - marks_block + 1;
    for (std::size_t offset = 0; offset < blocks; ++offset) {
        const char* block = bytes.data() + offset;
        std::uint64_t expected = newlines_one_by_one(block);
        check("eight at a time", portable_newlines(block), expected, offset);
#if defined(__SSE2__)
        check("SSE2", sse2_newlines(block), expected, offset);
#endif
    }
    return 0;
}

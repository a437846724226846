// The fuzz input handed to the filter's reader, through its reads, and to the
// stdio loop, through a stream.
#include "listing_feed.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "listing/listing.h"
#include "random_numbers.h"

// The reader's reads of the listing's descriptor come here (the fuzz targets
// are linked with --wrap=read); every other read goes on as usual.
extern "C" ssize_t __real_read(int fd, void* buffer, std::size_t size);

namespace {

// Hands over the next bytes of the listing, at most `size` of them: at its
// end, nothing, or a failed read when the listing ends in one.
ssize_t feed_bytes(const fed_listing& listing, std::size_t& at, void* buffer, std::size_t size)
{
    std::size_t left = listing.size - at;
    if (left == 0) {
        if (!listing.ends_in_failure)
            return 0;
        errno = EIO;
        return -1;
    }
    std::size_t n = size < left ? size : left;
    std::memcpy(buffer, listing.bytes + at, n);
    at += n;
    return static_cast<ssize_t>(n);
}

const fed_listing* fed = nullptr;
int fed_fd = -1;
std::size_t fed_at = 0;
std::uint32_t piece_state = 0;

std::size_t next_piece_size()
{
    static const std::size_t largest[] = {0, 3, 100, 2000};
    std::size_t bound = largest[fed->piece_sizes];
    return bound == 0 ? static_cast<std::size_t>(-1) : 1 + random_below(piece_state, bound);
}

}  // namespace

extern "C" ssize_t __wrap_read(int fd, void* buffer, std::size_t size)
{
    if (fed == nullptr || fd != fed_fd)
        return __real_read(fd, buffer, size);
    std::size_t piece = next_piece_size();
    return feed_bytes(*fed, fed_at, buffer, size < piece ? size : piece);
}

fed_listing feed_listing(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t choice = size > 0 ? data[0] : 0;
    fed_listing listing{};
    listing.bytes = size > 0 ? reinterpret_cast<const char*>(data + 1) : "";
    listing.size = size > 0 ? size - 1 : 0;
    listing.flags = {(choice & 1) == 0, (choice & 2) != 0, (choice & 4) != 0, (choice & 8) == 0,
                     (choice & 16) != 0};
    listing.ends_in_failure = (choice & 32) != 0;
    listing.piece_sizes = static_cast<std::uint8_t>(choice >> 6);
    return listing;
}

namespace {

struct stream_state {
    const fed_listing* listing;
    std::size_t at;
};

ssize_t read_stream(void* cookie, char* buffer, std::size_t size)
{
    auto* state = static_cast<stream_state*>(cookie);
    return feed_bytes(*state->listing, state->at, buffer, size);
}

int close_stream(void* cookie)
{
    delete static_cast<stream_state*>(cookie);
    return 0;
}

}  // namespace

FILE* open_listing_stream(const fed_listing& listing)
{
    cookie_io_functions_t functions{read_stream, nullptr, nullptr, close_stream};
    FILE* stream = fopencookie(new stream_state{&listing, 0}, "r", functions);
    if (stream == nullptr)
        std::abort();
    return stream;
}

bool run_scan_listing(const fed_listing& listing, char*& report, std::size_t& report_length)
{
    // A descriptor of its own, which no other read uses.
    static const int input = open("/dev/null", O_RDONLY);
    report = nullptr;
    report_length = 0;
    FILE* output = open_memstream(&report, &report_length);
    if (input < 0 || output == nullptr)
        std::abort();

    fed = &listing;
    fed_fd = input;
    fed_at = 0;
    piece_state = static_cast<std::uint32_t>(listing.size);
    selection = listing.flags;
    scan_end end = scan_listing(input, output, whole_listing);
    fed = nullptr;

    // A report in memory cannot fail to be written.
    if (end.write_failed || std::fclose(output) != 0)
        std::abort();
    return end.read_failed;
}

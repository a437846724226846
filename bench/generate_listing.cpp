// Writes a deterministic volume listing of about the given number of
// megabytes to standard output, in the shape of examples/listing.txt:
// servers and partitions, RW volumes with RO and BK siblings, on-line and
// off-line volumes, summary lines and extra detail lines after the quota,
// with the name, size and quota columns padded as listings print them.
//
//     generate_listing MEGABYTES
#include <cstdio>
#include <cstdlib>

namespace {

unsigned long long state = 0x2545F4914F6CDD1DULL;

unsigned next(unsigned bound)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<unsigned>(state % bound);
}

const char* const owners[] = {"home.alice",   "home.bob",   "proj.render", "proj.genome",
                              "sw.compilers", "web.static", "db.archive",  "scratch.tmp"};

// One date a line; each draw is its own statement so that the listing does
// not depend on the order in which a compiler evaluates arguments.
long long write_date(const char* label)
{
    unsigned month = next(12) + 1;
    unsigned day = next(28) + 1;
    unsigned hour = next(24);
    unsigned minute = next(60);
    unsigned second = next(60);
    return std::printf("    %s  2026-%02u-%02u %02u:%02u:%02u\n", label, month, day, hour, minute,
                       second);
}

// A volume of the family whose read-write volume is numbered `base`;
// `offset` 0, 1 or 2 makes it the read-write, read-only or backup one.
long long write_volume(const char* host, const char* part, unsigned long serial, unsigned long base,
                       unsigned offset)
{
    static const char* const types[] = {"RW", "RO", "BK"};
    static const char* const suffixes[] = {"", ".readonly", ".backup"};
    const char* status = next(8) == 0 ? "Off-line" : "On-line";
    unsigned long size = next(1u << 24);
    unsigned long quota = (next(50) + 1) * 100000UL;
    char name[64];
    std::snprintf(name, sizeof name, "%s.%lu%s", owners[serial % 8], serial, suffixes[offset]);
    long long n = std::printf("%-33s %lu %s %10lu K %s\n"
                              "    %s %s\n"
                              "    ids rw %lu ro %lu bk %lu\n"
                              "    MaxQuota %10lu K\n",
                              name, base + offset, types[offset], size, status, host, part, base,
                              base + 1, base + 2, quota);
    n += write_date("Created");
    n += write_date("Updated");
    unsigned accesses = next(100000);
    return n + std::printf("    %u accesses in the past day\n\n", accesses);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 || std::atol(argv[1]) <= 0) {
        std::fputs("usage: generate_listing MEGABYTES\n", stderr);
        return 2;
    }
    const long long goal = std::atol(argv[1]) * 1024LL * 1024LL;
    long long written = 0;
    unsigned long serial = 0;
    for (unsigned server = 1; written < goal; ++server) {
        char host[32];
        std::snprintf(host, sizeof host, "fs%u.example.net", server);
        for (char part = 'a'; part <= 'c' && written < goal; ++part) {
            char path[16];
            std::snprintf(path, sizeof path, "/srv/%c", part);
            written += std::printf("Total number of volumes on %s %s: 300\n", host, path);
            for (int k = 0; k < 100; ++k) {
                unsigned long base = 536870912UL + 3 * ++serial;
                written += write_volume(host, path, serial, base, 0);
                if (next(3) == 0)
                    written += write_volume(host, path, serial, base, 1);
                if (next(2) == 0)
                    written += write_volume(host, path, serial, base, 2);
            }
            written += std::printf("Total volumes on %s %s: 300 on-line, 0 off-line, 0 busy\n\n",
                                   host, path);
        }
    }
    return 0;
}

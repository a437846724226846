// quota_report: a compact report of the selected volumes of a long-form
// volume listing.
//
//     quota_report [-rwbnfh] [ input-file [ output-file ]]
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "listing/volume_listing.h"
#include "options.h"

namespace {

void bind_input(const char* path)
{
    if (std::freopen(path, "r", stdin) == nullptr) {
        std::fprintf(stderr, "Unable to open input file %s\n", path);
        std::exit(2);
    }
}

// Writing the report over the listing's own regular file would destroy the
// listing before it is read.
bool is_the_listing(const struct stat& output)
{
    struct stat input {};
    return S_ISREG(output.st_mode) && fstat(fileno(stdin), &input) == 0 &&
           output.st_dev == input.st_dev && output.st_ino == input.st_ino;
}

void bind_output(const char* path)
{
    struct stat output {};
    if (stat(path, &output) == 0 && is_the_listing(output)) {
        std::fprintf(stderr, "Unable to open output file %s: it is the input file\n", path);
        std::exit(2);
    }
    if (std::freopen(path, "w", stdout) == nullptr) {
        std::fprintf(stderr, "Unable to open output file %s\n", path);
        std::exit(2);
    }
}

// The shell can hand the listing over as standard output without emptying it
// (1<>listing); appending to it (>>listing) destroys nothing.
void check_standard_output()
{
    struct stat output {};
    if (fstat(fileno(stdout), &output) == 0 && (fcntl(fileno(stdout), F_GETFL) & O_APPEND) == 0 &&
        is_the_listing(output)) {
        std::fputs("Unable to write standard output: it is the input file\n", stderr);
        std::exit(2);
    }
}

// The report is complete only if every buffered row reached the output.
bool close_output()
{
    bool written = !std::ferror(stdout) && std::fflush(stdout) == 0;
    return std::fclose(stdout) == 0 && written;
}

void report_read_failure(const char* path)
{
    if (path != nullptr)
        std::fprintf(stderr, "Unable to read input file %s\n", path);
    else
        std::fputs("Unable to read standard input\n", stderr);
}

void report_write_failure(const char* path)
{
    if (path != nullptr)
        std::fprintf(stderr, "Unable to write output file %s\n", path);
    else
        std::fputs("Unable to write standard output\n", stderr);
}

}  // namespace

int main(int argc, char* argv[])
{
    // Some systems run a program with no arguments at all, not even its name.
    if (argc > 0)
        program_name = argv[0];

    if (argc >= 2 && argv[1][0] == '-') {
        parse_option_word(argv[1] + 1);
        --argc;
        ++argv;
    }
    if (argc > 3)
        fail_with_usage();
    const char* input_path = argc >= 2 ? argv[1] : nullptr;
    const char* output_path = argc == 3 ? argv[2] : nullptr;
    if (input_path != nullptr)
        bind_input(input_path);
    if (output_path != nullptr)
        bind_output(output_path);
    else
        check_standard_output();

    scan_listing();

    bool read_failed = std::ferror(stdin) != 0;
    bool write_failed = !close_output();
    bool input_closed = std::fclose(stdin) == 0;
    if (read_failed)
        report_read_failure(input_path);
    if (write_failed)
        report_write_failure(output_path);
    if (read_failed || write_failed)
        return 2;
    return input_closed ? 0 : 255;
}

// quota_report: a compact report of the selected volumes of a long-form
// volume listing.
//
//     quota_report [-rwbnfh] [ input-file [ output-file ]]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "options.h"

// The command line has no option that prints the version, so the program
// carries it as text: grep -a -o 'quota_report [0-9][0-9.]*' quota_report.
extern const char program_version[];
const char program_version[] = QUOTA_REPORT_VERSION;

namespace {

// A folder opens for reading but cannot be read: it is refused here, before
// an output file is emptied, and so is a file that cannot be told from one.
void bind_input(const char* path)
{
    struct stat input {};
    if (std::freopen(path, "r", stdin) == nullptr || fstat(fileno(stdin), &input) != 0 ||
        S_ISDIR(input.st_mode)) {
        std::fprintf(stderr, "Unable to open input file %s\n", path);
        std::exit(2);
    }
}

[[noreturn]] void refuse_output(const char* path)
{
    std::fprintf(stderr, "Unable to open output file %s: it is the input file\n", path);
    std::exit(2);
}

[[noreturn]] void fail_to_open_output(const char* path)
{
    std::fprintf(stderr, "Unable to open output file %s\n", path);
    std::exit(2);
}

// When it cannot be told whether the output is the listing, the run is
// refused as if it were: the named output file (`path`) is not opened, and
// standard output (`path` null) is not written.
[[noreturn]] void cannot_tell(const char* path)
{
    if (path != nullptr)
        fail_to_open_output(path);
    std::fputs("Unable to write standard output: cannot tell whether it is the input file\n",
               stderr);
    std::exit(2);
}

// Standard input's file, which the report must never be written into: all
// zero when standard input is closed, which is no listing.
struct stat examine_input(const char* output_path)
{
    struct stat input {};
    if (fstat(fileno(stdin), &input) == 0)
        return input;
    if (errno != EBADF)
        cannot_tell(output_path);
    return {};
}

// Writing the report into the listing's own file would destroy the listing
// (a regular file) or feed the report back to the reader, which then never
// sees the end of its input (a FIFO).
bool is_the_listing(const struct stat& output, const struct stat& input)
{
    return (S_ISREG(input.st_mode) || S_ISFIFO(input.st_mode)) && output.st_dev == input.st_dev &&
           output.st_ino == input.st_ino;
}

// The output file, opened without emptying it, and made only where there was
// none (`made`), so that a run refused after this leaves no file that it made.
// A name that is a symbolic link to nothing gets the file made through it, as
// the shell makes it, and that file is not known to be the run's own.
int open_output(const char* path, bool& made)
{
    made = false;
    int fd = open(path, O_WRONLY);
    if (fd >= 0 || errno != ENOENT)
        return fd;
    fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) {
        made = fd >= 0;
        return fd;
    }
    return open(path, O_WRONLY | O_CREAT, 0666);
}

// A refused run takes back the output file that it made.
[[noreturn]] void give_up_output(const char* path, bool made)
{
    if (made)
        unlink(path);
    fail_to_open_output(path);
}

// The path may change between any check of it and its opening, so only the
// open descriptor decides whether it is the listing.  A regular file is
// emptied last, once nothing else can refuse the run.
void bind_output(const char* path)
{
    struct stat input = examine_input(path);
    struct stat output {};
    if (stat(path, &output) == 0 && is_the_listing(output, input))
        refuse_output(path);
    bool made = false;
    int fd = open_output(path, made);
    if (fd < 0)
        fail_to_open_output(path);
    if (fstat(fd, &output) != 0)
        give_up_output(path, made);
    if (is_the_listing(output, input))
        refuse_output(path);
    // Nothing has been written to standard output yet, so only its descriptor
    // has to change.
    if ((fd != fileno(stdout) && dup2(fd, fileno(stdout)) < 0) ||
        (S_ISREG(output.st_mode) && ftruncate(fileno(stdout), 0) != 0))
        give_up_output(path, made);
    if (fd != fileno(stdout))
        close(fd);  // a spare descriptor: closing it writes nothing
}

void report_read_failure(const char* path)
{
    if (path != nullptr)
        std::fprintf(stderr, "Unable to read input file %s\n", path);
    else
        std::fputs("Unable to read standard input\n", stderr);
}

// The shell can hand the listing over as standard output without emptying it
// (1<>listing), which is refused, and so is appending to a FIFO that is also
// the input, which feeds the report back to the reader.  Appending to the
// listing's file (>>listing) destroys nothing, but the rows written would be
// read back as listing: it is read only up to the size it had before them,
// from where standard input stood, whoever else moves that open file's
// offset.  A closed standard output is no listing.
listing_span check_standard_output(const char* input_path)
{
    struct stat output {};
    if (fstat(fileno(stdout), &output) != 0) {
        if (errno != EBADF)
            cannot_tell(nullptr);
        return whole_listing;
    }
    // Only a regular file or a FIFO can be the listing: for any other
    // output, standard input is not examined.
    if ((!S_ISREG(output.st_mode) && !S_ISFIFO(output.st_mode)) ||
        !is_the_listing(output, examine_input(nullptr)))
        return whole_listing;
    int flags = fcntl(fileno(stdout), F_GETFL);
    if (flags == -1)
        cannot_tell(nullptr);
    if (S_ISFIFO(output.st_mode) || (flags & O_APPEND) == 0) {
        std::fputs("Unable to write standard output: it is the input file\n", stderr);
        std::exit(2);
    }
    off_t at = lseek(fileno(stdin), 0, SEEK_CUR);
    if (at < 0) {
        report_read_failure(input_path);
        std::exit(2);
    }
    return {output.st_size > at ? static_cast<std::uint64_t>(output.st_size - at) : 0, at};
}

// The report is complete only if every buffered row reached the output.  A
// closed standard output that was never written to holds a complete, empty
// report.
bool close_output()
{
    bool written = !std::ferror(stdout) && std::fflush(stdout) == 0;
    errno = 0;
    return (std::fclose(stdout) == 0 || errno == EBADF) && written;
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
    // All of the listing is read, unless the report is appended to it.
    listing_span span = whole_listing;
    if (output_path != nullptr)
        bind_output(output_path);
    else
        span = check_standard_output(input_path);

    scan_end end = scan_listing(fileno(stdin), stdout, span);

    bool write_failed = !close_output() || end.write_failed;
    bool input_closed = std::fclose(stdin) == 0;
    if (end.read_failed)
        report_read_failure(input_path);
    if (write_failed)
        report_write_failure(output_path);
    if (end.read_failed || write_failed)
        return 2;
    return input_closed ? 0 : 255;
}

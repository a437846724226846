#include "options.h"

#include <cstdio>
#include <cstdlib>

#include "listing/volume_listing.h"

const char* program_name = "quota_report";

namespace {

constexpr char usage_line[] = "Usage: %s [-rwbnfh] [ input-file [ output-file ]]\n";
constexpr char help_lines[] = "where      -r  include read-only volumes\n"
                              "           -w  exclude read-write volumes\n"
                              "           -b  include backup volumes\n"
                              "           -n  exclude on-line volumes\n"
                              "           -f  include off-line volumes\n"
                              "           -h  print this message\n";

}  // namespace

void fail_with_usage()
{
    std::fprintf(stderr, usage_line, program_name);
    std::exit(2);
}

void print_help()
{
    std::fprintf(stderr, usage_line, program_name);
    std::fputs(help_lines, stderr);
    std::exit(0);
}

void parse_option_word(const char* letters)
{
    if (*letters == '\0')
        fail_with_usage();
    for (; *letters != '\0'; ++letters) {
        switch (*letters) {
        case 'b': selection.include_bk = true; break;
        case 'f': selection.include_offline = true; break;
        case 'h': print_help();
        case 'n': selection.include_online = false; break;
        case 'r': selection.include_ro = true; break;
        case 'w': selection.include_rw = false; break;
        default: fail_with_usage();
        }
    }
}

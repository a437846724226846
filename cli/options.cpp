// The option word, the usage line and the help text.
#include "options.h"

#include <cstdio>
#include <cstdlib>

const char* program_name = "quota_report";

namespace {

constexpr char usage_line[] = "Usage: %s [-rwbnfh] [ input-file [ output-file ]]\n";
constexpr char help_lines[] = "where      -r  include read-only volumes\n"
                              "           -w  exclude read-write volumes\n"
                              "           -b  include backup volumes\n"
                              "           -n  exclude on-line volumes\n"
                              "           -f  include off-line volumes\n"
                              "           -h  print this message\n";

[[noreturn]] void print_help()
{
    std::fprintf(stderr, usage_line, program_name);
    std::fputs(help_lines, stderr);
    std::exit(0);
}

}  // namespace

void fail_with_usage()
{
    std::fprintf(stderr, usage_line, program_name);
    std::exit(2);
}

option_verdict apply_option_letters(const char* letters, selection_flags& flags)
{
    if (*letters == '\0')
        return option_verdict::usage;
    for (; *letters != '\0'; ++letters) {
        switch (*letters) {
        case 'b': flags.include_bk = true; break;
        case 'f': flags.include_offline = true; break;
        case 'h': return option_verdict::help;
        case 'n': flags.include_online = false; break;
        case 'r': flags.include_ro = true; break;
        case 'w': flags.include_rw = false; break;
        default: return option_verdict::usage;
        }
    }
    return option_verdict::go_on;
}

void parse_option_word(const char* letters)
{
    switch (apply_option_letters(letters, selection)) {
    case option_verdict::go_on: return;
    case option_verdict::help: print_help();
    case option_verdict::usage: fail_with_usage();
    }
}

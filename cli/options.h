// The option word, the usage line and the help text.
#pragma once

// argv[0] as given; it names the program in the usage line and help text.
extern const char* program_name;

// Applies the letters after the option word's hyphen to the selection;
// returns only when every letter is one of b, f, n, r, w.
void parse_option_word(const char* letters);

[[noreturn]] void fail_with_usage();
[[noreturn]] void print_help();

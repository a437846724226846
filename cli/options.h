// The option word, the usage line and the help text.
#pragma once

#include "listing/listing.h"

// argv[0] as given; it names the program in the usage line and help text.
extern const char* program_name;

// What the letters of an option word ask for.
enum class option_verdict {
    go_on,  // every letter was one of b, f, n, r, w
    help,   // an h came before any letter not in the table
    usage,  // no letters, or a letter not in the table before any h
};

// Applies the letters after the option word's hyphen to `flags`, left to
// right, up to the first that ends the run; ends nothing itself.
option_verdict apply_option_letters(const char* letters, selection_flags& flags);

// Applies the letters to the process's selection; returns only when every
// letter is one of b, f, n, r, w, and otherwise prints the help text or the
// usage line and ends the process.
void parse_option_word(const char* letters);

// Prints the usage line and ends the process with status 2.
[[noreturn]] void fail_with_usage();

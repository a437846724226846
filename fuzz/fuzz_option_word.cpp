// Feeds arbitrary letters to the option word and checks the switches they
// set and the verdict they come to: go on, help, or the usage line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/options.h"

namespace {

[[noreturn]] void fail(const char* why, const char* letters)
{
    std::fprintf(stderr, "%s for option letters \"%s\"\n", why, letters);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char letters[64] = {};
    std::memcpy(letters, data, size < sizeof letters - 1 ? size : sizeof letters - 1);

    // What the letters must do: switches set one by one, until h or an
    // unknown letter ends the run.
    selection_flags expected_flags;
    option_verdict expected = letters[0] == '\0' ? option_verdict::usage : option_verdict::go_on;
    for (const char* c = letters; *c != '\0' && expected == option_verdict::go_on; ++c) {
        switch (*c) {
        case 'b': expected_flags.include_bk = true; break;
        case 'f': expected_flags.include_offline = true; break;
        case 'n': expected_flags.include_online = false; break;
        case 'r': expected_flags.include_ro = true; break;
        case 'w': expected_flags.include_rw = false; break;
        case 'h': expected = option_verdict::help; break;
        default: expected = option_verdict::usage; break;
        }
    }

    selection_flags flags;
    if (apply_option_letters(letters, flags) != expected)
        fail("wrong verdict", letters);
    if (std::memcmp(&flags, &expected_flags, sizeof flags) != 0)
        fail("wrong switches", letters);
    return 0;
}

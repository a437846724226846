// Feeds arbitrary letters to the option word and checks the switches it
// sets, the text it writes and the status it ends the process with.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/options.h"
#include "listing/volume_listing.h"

// Linked with --wrap=exit: an exit from the option word returns here instead
// of ending the fuzzer.
extern "C" [[noreturn]] void __real_exit(int status);

namespace {

std::jmp_buf* exit_trap = nullptr;
int exit_status = 0;

constexpr char usage[] = "Usage: quota_report [-rwbnfh] [ input-file [ output-file ]]\n";

[[noreturn]] void fail(const char* why, const char* letters)
{
    std::fprintf(stderr, "%s for option letters \"%s\"\n", why, letters);
    std::abort();
}

}  // namespace

extern "C" [[noreturn]] void __wrap_exit(int status)
{
    if (exit_trap == nullptr)
        __real_exit(status);
    exit_status = status;
    std::longjmp(*exit_trap, 1);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char letters[64] = {};
    std::memcpy(letters, data, size < sizeof letters - 1 ? size : sizeof letters - 1);

    // What the letters must do: switches set one by one, until h or an
    // unknown letter ends the process.
    selection_flags expected_flags;
    int expected_status = letters[0] == '\0' ? 2 : -1;
    for (const char* c = letters; *c != '\0' && expected_status < 0; ++c) {
        switch (*c) {
        case 'b': expected_flags.include_bk = true; break;
        case 'f': expected_flags.include_offline = true; break;
        case 'n': expected_flags.include_online = false; break;
        case 'r': expected_flags.include_ro = true; break;
        case 'w': expected_flags.include_rw = false; break;
        case 'h': expected_status = 0; break;
        default: expected_status = 2; break;
        }
    }

    char* text = nullptr;
    std::size_t text_length = 0;
    FILE* const real_stderr = stderr;
    stderr = open_memstream(&text, &text_length);
    selection = selection_flags{};
    program_name = "quota_report";
    std::jmp_buf trap;
    exit_trap = &trap;
    exit_status = -1;
    if (setjmp(trap) == 0)
        parse_option_word(letters);
    exit_trap = nullptr;
    std::fclose(stderr);
    stderr = real_stderr;

    if (exit_status != expected_status)
        fail("wrong exit status", letters);
    if (std::memcmp(&selection, &expected_flags, sizeof selection) != 0)
        fail("wrong switches", letters);
    // The usage line alone, or the seven lines of help that begin with it.
    auto lines = std::count(text, text + text_length, '\n');
    decltype(lines) expected_lines = expected_status == 0 ? 7 : expected_status == 2 ? 1 : 0;
    if (lines != expected_lines || (lines > 0 && std::strncmp(text, usage, sizeof usage - 1) != 0))
        fail("wrong text on standard error", letters);
    std::free(text);
    return 0;
}

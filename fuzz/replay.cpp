// Runs a fuzz target without libFuzzer, with any compiler and on any machine
// (under an emulator too): every file named, and every file of every folder
// named, is one input.  With -m N each input is also run in N variants, made
// by a small deterministic mutator, so that a machine without libFuzzer still
// sees a few thousand inputs.  A target reports a fault by aborting.
//
//     replay_TARGET [-m N] FILE-OR-FOLDER...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "random_numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using input = std::vector<std::uint8_t>;

std::uint32_t state = 1;
std::size_t below(std::size_t bound)
{
    return random_below(state, bound);
}

// The bytes the listing's shapes turn on.
constexpr char telling[] = " \n\t\r\v\f\0-+0789KMaxQuota";

// One to four edits: a byte replaced or put in, a run of up to 64 bytes
// removed or repeated, or the first byte (the switches and reads) drawn again.
input variant(input bytes)
{
    for (std::size_t edits = 1 + below(4); edits-- > 0;) {
        std::size_t at = below(bytes.size() + 1);
        std::size_t length = below(bytes.size() - at < 64 ? bytes.size() - at + 1 : 65);
        auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(at);
        auto end = begin + static_cast<std::ptrdiff_t>(length);
        auto byte = static_cast<std::uint8_t>(telling[below(sizeof telling - 1)]);
        switch (below(5)) {
        case 0: bytes.insert(begin, byte); break;
        case 1: bytes.erase(begin, end); break;
        case 2: {
            input run(begin, end);
            bytes.insert(begin, run.begin(), run.end());
            break;
        }
        case 3:
            if (begin != bytes.end())
                *begin = byte;
            break;
        default:
            if (!bytes.empty())
                bytes[0] = static_cast<std::uint8_t>(below(256));
        }
    }
    return bytes;
}

std::size_t replayed = 0;

void replay(const input& bytes)
{
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++replayed;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::size_t variants = 0;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-m") == 0) {
        variants = std::strtoul(argv[2], nullptr, 10);
        first = 3;
    }
    std::vector<std::filesystem::path> files;
    for (int n = first; n < argc; ++n) {
        if (std::filesystem::is_directory(argv[n])) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[n]))
                files.push_back(entry.path());
        } else {
            files.emplace_back(argv[n]);
        }
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        input bytes(static_cast<std::size_t>(std::filesystem::file_size(file)));
        FILE* in = std::fopen(file.c_str(), "rb");
        if (in == nullptr || std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 2;
        }
        std::fclose(in);
        std::fprintf(stderr, "%s\n", file.c_str());
        replay(bytes);
        for (std::size_t n = 0; n < variants; ++n)
            replay(variant(bytes));
    }
    std::printf("%zu inputs from %zu files, every one passed\n", replayed, files.size());
    return files.empty() ? 2 : 0;
}

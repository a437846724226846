// Inside the chunk layer: the newlines of the reader's buffer, found a block
// at a time.
#include "listing_input.h"

#include "newline_marks.h"

static_assert(readable_past_chunk >= marks_block, "a block may run past the unread bytes");

void mark_newlines(listing_input& input)
{
    input.marks_begin = input.searched_end;
    auto searched = static_cast<std::size_t>(input.end - input.marks_begin);
    input.newline_marks = newlines_of_block(input.marks_begin);
    if (searched < marks_block)
        input.newline_marks &= (std::uint64_t{1} << searched) - 1;
    else
        searched = marks_block;
    input.searched_end = input.marks_begin + searched;
}

// The listing as a sequence of chunks, read from a descriptor into the
// reader's buffer and handed out as fgets would read them.
#pragma once

#include "line_chunk.h"
#include "listing_input.h"

// What asking for the next chunk came to.
enum class chunk_outcome {
    chunk,         // the next chunk, handed out as soon as it is whole
    would_wait,    // nothing has arrived on a pipe, FIFO, socket or terminal;
                   // asked again, the read waits for it
    end_of_input,  // the listing was read to its end, its last chunk handed out
    failed_read,   // a read failed; the chunk it cut short is dropped
};

// Starts reading the descriptor, from where it stands, into `input`.
void start_reading(listing_input& input, int fd);

// The next chunk when it is not whole among the bytes read: reads on.
chunk_outcome read_chunk(listing_input& input, line_chunk& chunk);

// The next chunk, or why there is none yet.  After the end of input or a
// failed read it is not asked again.
inline chunk_outcome next_chunk(listing_input& input, line_chunk& chunk)
{
    return take_line(input, chunk) ? chunk_outcome::chunk : read_chunk(input, chunk);
}

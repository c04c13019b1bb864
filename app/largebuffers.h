#ifndef LARGEBUFFERS_H
#define LARGEBUFFERS_H

// Gives each large buffer a memory mapping of its own for the life of the process, so that
// the download's buffers of many megabytes grow without copying and go back to the system
// when freed.
void keepLargeBuffersMapped();

#endif

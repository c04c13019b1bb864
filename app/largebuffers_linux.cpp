#include "app/largebuffers.h"

#include <malloc.h>

// glibc raises its mapping threshold each time a mapped block is freed, up to 32 MiB; the
// pane's and the data's buffers then come from the heap, and each doubling copies tens of
// megabytes into fresh pages while the window waits. A fixed threshold keeps them mapped,
// where growing is a remap.
void keepLargeBuffersMapped()
{
    const int threshold = 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, threshold);
}

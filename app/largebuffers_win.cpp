#include "app/largebuffers.h"

// The Windows heap already gives blocks of this size virtual memory of their own.
void keepLargeBuffersMapped() {}

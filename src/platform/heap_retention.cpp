#include "platform/heap_retention.h"

#include <cstdlib>  // defines __GLIBC__ with the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace mailwright::platform {

void limitHeapRetention() {
#if defined(__GLIBC__)
    // A fixed value also stops the allocator from raising this threshold,
    // and the one for giving back the top of a heap, to the largest block
    // freed so far, which is what lets freed texts stay.
    constexpr int kLargeBlockBytes = 4 << 20;
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
#endif
}

}  // namespace mailwright::platform

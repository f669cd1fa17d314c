#include "xls/process_heap.h"

#include <malloc.h>

namespace xls {

void keepLargeBuffersInHeap() {
    constexpr int kLargest = 512 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kLargest);
    mallopt(M_TRIM_THRESHOLD, kLargest);
}

}  // namespace xls

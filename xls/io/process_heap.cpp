#include "xls/process_heap.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace xls {

namespace {

constexpr int kLargest = 512 * 1024 * 1024;
// What a large copy holds at its peak, with room to spare: the heap is grown
// to this at once and the growth handed back to it, never to the system.
constexpr std::size_t kHeapReserve = std::size_t{96} << 20;
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Asks for the reserved part of the heap to be backed by huge pages, so a
// buffer of megabytes costs a fault per 2 MB rather than per 4 KB. Where the
// system does not offer them, the request is refused and nothing changes.
void reserveHeapInHugePages() {
    void* block = std::malloc(kHeapReserve);
    if (block == nullptr) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t to = (begin + kHeapReserve) & ~(kHugePage - 1);
    if (from < to) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    std::free(block);
}

}  // namespace

void keepLargeBuffersInHeap() {
    mallopt(M_MMAP_THRESHOLD, kLargest);
    mallopt(M_TRIM_THRESHOLD, kLargest);
    reserveHeapInHugePages();
}

}  // namespace xls

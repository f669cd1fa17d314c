// How the process's heap treats the large buffers the engine allocates and
// frees while it copies and saves (sheets, string tables, whole streams).
#pragma once

namespace xls {

// Large blocks come from the heap and return to it rather than to the
// system: a copy allocates and frees buffers of megabytes several times, and
// pages fresh from the system cost a fault each (a third of a large copy's
// time). Call once at start-up, before the first workbook opens.
void keepLargeBuffersInHeap();

}  // namespace xls

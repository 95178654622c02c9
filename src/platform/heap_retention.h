// How much freed memory the process keeps. A conversion makes one message
// text after another, on several threads; texts of several megabytes (large
// attachments) freed on one thread and made on another would otherwise stay
// with the allocator at the peak of each thread's heap, well past what is
// alive at any time. Called once, at program start.
#pragma once

namespace mailwright::platform {

// Blocks of 4 MiB and more are taken from and given back to the system
// directly; free memory at the top of a heap is given back as usual.
void limitHeapRetention();

}  // namespace mailwright::platform

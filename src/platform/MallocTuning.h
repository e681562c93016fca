#pragma once

// Downloads pass every received block through short-lived buffers of up to a
// few MiB (the TLS layer's above all). With glibc's default thresholds each
// such buffer is mapped and unmapped, or the heap grown and trimmed, on
// nearly every read: tens of thousands of page faults per GiB. Raising the
// thresholds keeps those pages in the heap between reads. Call once, first
// thing in main(); a no-op with other C libraries.
void tuneMallocForStreaming();

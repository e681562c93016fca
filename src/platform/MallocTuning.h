#pragma once

// TLS downloads pass every received block through short-lived buffers of up
// to a few MiB (the TLS layer's). With glibc's default thresholds each such
// buffer is mapped and unmapped, or the heap grown and trimmed, on nearly
// every read: tens of thousands of page faults per GiB. Raising the
// thresholds keeps those pages in the heap between reads, at the price of
// memory that is never given back. Call before the first TLS connection
// (the engine does when it opens one; repeated calls change nothing); a
// no-op with other C libraries.
void tuneMallocForStreaming();

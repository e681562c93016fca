#include "platform/MallocTuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void tuneMallocForStreaming() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 8 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

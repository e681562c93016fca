#include "movies/Adler32.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MQ_ADLER_SSE2 1
#else
#include <zlib.h>
#endif

#ifdef MQ_ADLER_SSE2
namespace {
constexpr quint32 kBase = 65521;
// The most bytes whose sums fit in 32 bits before they are reduced, a
// multiple of 16.
constexpr size_t kMaxRun = 5552;
} // namespace
#endif

quint32 adler32Update(quint32 adler, const uchar *data, size_t n) {
#ifndef MQ_ADLER_SSE2
    return quint32(::adler32(adler, data, uInt(n)));
#else
    quint32 s1 = adler & 0xffff, s2 = adler >> 16;
    const __m128i zero = _mm_setzero_si128();
    const __m128i weightsLow = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
    const __m128i weightsHigh = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
    while (n >= 16) {
        size_t blocks = qMin(n, kMaxRun) / 16;
        n -= blocks * 16;
        // Lanes of partial sums: every lane stays below the run's total,
        // which fits in 32 bits.
        __m128i sum1 = _mm_cvtsi32_si128(int(s1));
        __m128i sum2 = _mm_cvtsi32_si128(int(s2));
        __m128i prefix = zero; // s1 before each block, summed
        for (; blocks > 0; --blocks, data += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data));
            prefix = _mm_add_epi32(prefix, sum1);
            sum1 = _mm_add_epi32(sum1, _mm_sad_epu8(bytes, zero));
            const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi8(bytes, zero), weightsLow);
            const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi8(bytes, zero), weightsHigh);
            sum2 = _mm_add_epi32(sum2, _mm_add_epi32(low, high));
        }
        sum2 = _mm_add_epi32(sum2, _mm_slli_epi32(prefix, 4));
        alignas(16) quint32 a[4], b[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(a), sum1);
        _mm_store_si128(reinterpret_cast<__m128i *>(b), sum2);
        s1 = (a[0] + a[2]) % kBase;
        s2 = quint32((quint64(b[0]) + b[1] + b[2] + b[3]) % kBase);
    }
    for (; n > 0; --n) {
        s1 += *data++;
        s2 += s1;
    }
    return (s2 % kBase) << 16 | (s1 % kBase);
#endif
}

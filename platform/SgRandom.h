#pragma once
#include "platform/PlatformExport.h"
// The system's one random sequence. It is the classic linear-congruential
// generator of the C library's example implementation, so a seeded run gives
// the same values on every platform; the C library's own rand is never used.

// The largest value SgRand returns.
constexpr int SG_RAND_MAX = 32767;

// The next value of the sequence, 0 to SG_RAND_MAX.
PLATFORM_API int SgRand();

// Restarts the sequence; the process starts as if seeded with 1.
PLATFORM_API void SgSrand(unsigned int seed);

// A sequence of its own with the same values as SgRand from the same seed:
// for code that must repeat itself whatever else draws numbers meanwhile.
class PLATFORM_API SgRandomSequence {
public:
    explicit SgRandomSequence(unsigned int seed = 1) : m_next(seed) {}
    // The next value, 0 to SG_RAND_MAX.
    int Next()
    {
        m_next = m_next * 1103515245u + 12345u;
        return static_cast<int>((m_next / 65536u) % 32768u);
    }
    void Seed(unsigned int seed) { m_next = seed; }

private:
    unsigned int m_next;
};

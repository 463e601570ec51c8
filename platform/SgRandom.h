#pragma once
// The system's one random sequence. It is the classic linear-congruential
// generator of the C library's example implementation, so a seeded run gives
// the same values on every platform; the C library's own rand is never used.

// The largest value SgRand returns.
constexpr int SG_RAND_MAX = 32767;

// The next value of the sequence, 0 to SG_RAND_MAX.
int SgRand();

// Restarts the sequence; the process starts as if seeded with 1.
void SgSrand(unsigned int seed);

#include "platform/SgRandom.h"

#include <cstdint>

namespace {
// 32 bits are enough: the result only uses bits 16 to 30 of the state, which
// do not depend on any higher bits.
uint32_t s_next = 1;
}

int SgRand()
{
    s_next = s_next * 1103515245u + 12345u;
    return static_cast<int>((s_next / 65536u) % 32768u);
}

void SgSrand(unsigned int seed)
{
    s_next = seed;
}

// libFuzzer's door to one entry of FuzzEntries.h; FENNIX_FUZZ_ENTRY names it.
#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzentry::FENNIX_FUZZ_ENTRY(data, size);
}

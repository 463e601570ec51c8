#include "engine/actions/SgScanCache.h"

#include "engine/core/SgSeparator.h"

int SgScanCache::GetFlags(const SgSeparator *separator)
{
    return separator ? separator->GetScanFlags() : 0;
}

void SgScanCache::SetFlags(SgSeparator *separator, int flags)
{
    if (separator)
        separator->SetScanFlags(flags);
}

#include "engine/render/SgGLNameTable.h"

#include "engine/core/SgHandleTable.h"
#include "engine/core/SgNode.h"

std::uint32_t SgGLNameTable::GetName(SgNode *node)
{
    return SgHandleTable::GetName(node);
}

SgNode *SgGLNameTable::Lookup(std::uint32_t name)
{
    SgFieldMngr *container = SgHandleTable::LookupName(name);
    return container && container->IsNode() ? static_cast<SgNode *>(container) : nullptr;
}

int SgGLNameTable::GetCount()
{
    return SgHandleTable::GetCount();
}

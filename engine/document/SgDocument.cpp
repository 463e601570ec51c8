#include "engine/document/SgDocument.h"

#include "engine/document/SgUndoInfo.h"

void SgDocument::AddUndoInfo(SgUndoInfo *info)
{
    // Without an undo stack of its own a document keeps nothing.
    delete info;
}

void SgDocument::UpdateSceneManager(SgNode *) {}

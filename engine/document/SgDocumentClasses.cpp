#include "engine/document/SgDocumentClasses.h"

#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgExternalFile.h"

namespace {

void DeselectInDocument(SgDocument *document, SgPath &path)
{
    if (SgSelectionHandler *handler = document ? document->GetSelectionHandler() : nullptr)
        handler->Deselect(path, true);
}

// An external file in the system's own scene format is read by the document
// that holds the node, below a group of its own: every program that reads
// scenes can show such a part, with or without a facade.
SgNode *ReadExternalSceneFile(const char *path, SgDocument *document, double)
{
    if (!document || !path)
        return nullptr;
    SgRef<SgSeparator> group(new SgSeparator);
    const int result = document->ReadFile(path, false, group.get());
    if (result != -1 && result != -4)
        return nullptr;
    return group.release();
}

} // namespace

void SgDocumentClasses::RegisterNodeClasses()
{
    SgAnimationMngr::InitClass();
}

void SgDocumentClasses::InstallHooks()
{
    SgAnimationMngr::InstallFileHooks();
    SgObject::SetDeselectFunction(&DeselectInDocument);
    SgExternalFile::AddFormat("kvrx", &ReadExternalSceneFile);
}

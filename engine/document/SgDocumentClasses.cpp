#include "engine/document/SgDocumentClasses.h"

#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"

namespace {

void DeselectInDocument(SgDocument *document, SgPath &path)
{
    if (SgSelectionHandler *handler = document ? document->GetSelectionHandler() : nullptr)
        handler->Deselect(path, true);
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
}

#include "engine/SgNodara.h"

#include <cstdio>

#include "engine/actions/SgActionClasses.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgAttributeManager.h"
#include "engine/core/SgCoreClasses.h"
#include "engine/core/SgElement.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentClasses.h"
#include "engine/engines/SgEngineClasses.h"
#include "engine/engines/lisp/Lisp.h"
#include "engine/handlers/SgHandlerClasses.h"
#include "engine/nodes/SgNodeClasses.h"
#include "engine/render/SgRenderClasses.h"
#include "engine/viewer/SgViewerClasses.h"
#include "engine/tools/SgToolClasses.h"
#include "utilities/Brannic.h"

namespace {
bool s_initialized = false;

// The macros that parametric formulas are written with, evaluated in this
// order whenever the interpreter starts.
const char *const s_aszLispPrelude[] = {
    "(defmacro vec3 (x y z)     (list 'let (list (list 'a (list 'make-array 3))) \t   (list 'progn "
    "              (list 'aset 'a 0 x)(list 'aset 'a 1 y)(list 'aset 'a 2 z) 'a \t   )))",
    "(defmacro param (name) (list 'getfield 'node name))",
    "(defmacro par   (name) (list 'getfield 'node (symbol-name name)))",
    "(defmacro setp  (name val) (list 'setfield 'node (symbol-name name) val))",
};

void EvaluateLispPrelude()
{
    for (const char *text : s_aszLispPrelude)
        LispEvalTopLevel(LispReadFromString(text));
}
} // namespace

void SgNodara::Init()
{
    if (s_initialized)
        return;
    s_initialized = true;

    Brannic::Init();
    SgFieldMngr::init();
    SgAttributeManager::GetAttributeManager();
    SgDocument::LinkObjectModel();

    // Each family registers layer by layer, lowest first, and each layer's
    // block in its own fixed order: so a parent comes before its children,
    // and the ids are the same from run to run. A new layer's block goes
    // after the blocks of the layers it builds on.
    //
    // Field containers.
    SgCoreClasses::RegisterNodeClasses();
    SgNodeClasses::RegisterNodeClasses();
    SgEngineClasses::RegisterNodeClasses();
    SgHandlerClasses::RegisterNodeClasses();
    SgDocumentClasses::RegisterNodeClasses();
    SgToolClasses::RegisterNodeClasses();
    // Traversal state elements, before any action enables them.
    SgCoreClasses::RegisterElementClasses();
    // Actions, after the node classes and elements they name: each completes
    // its visitor table and enables its elements when it registers.
    SgCoreClasses::RegisterActionClasses();
    SgActionClasses::RegisterActionClasses();
    SgRenderClasses::RegisterActionClasses();
    SgViewerClasses::RegisterActionClasses();
    // Hooks that lower layers call into, once their targets exist.
    SgNodeClasses::InstallHooks();
    SgEngineClasses::InstallHooks();
    SgRenderClasses::InstallHooks();
    SgDocumentClasses::InstallHooks();
    // Field classes, field modules and function objects.
    SgCoreClasses::RegisterValueClasses();
    // The field primitives and prelude macros join through LispAddStartupHook.
    LispInit();
    // Also after every interpreter reset.
    LispAddStartupHook(&EvaluateLispPrelude);
}

bool SgNodara::IsInitialized()
{
    return s_initialized;
}

std::string SgNodara::RegistrationSummary()
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "field containers: %d\nstate elements: %d\nfunction objects: %d\nactions: %d\n"
                  "fields: %d\n",
                  SgFieldMngr::GetClassCount(), SgElement::GetClassCount(), RxFunc::GetClassCount(),
                  SgAction::GetClassCount(), SgField::GetClassCount());
    return text;
}

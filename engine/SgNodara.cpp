#include "engine/SgNodara.h"

#include <cstdio>

#include "engine/actions/SgAction.h"
#include "engine/actions/SgApplyAction.h"
#include "engine/actions/SgElement.h"
#include "engine/core/FieldModule.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgNode.h"
#include "engine/engines/lisp/LispCore.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgSwitch.h"
#include "engine/nodes/geometry/SgShape.h"
#include "engine/nodes/properties/SgModifier.h"
#include "engine/nodes/properties/SgAttributeManager.h"
#include "utilities/Brannic.h"

namespace {
bool s_initialized = false;
}

void SgNodara::Init()
{
    if (s_initialized)
        return;
    s_initialized = true;

    Brannic::Init();
    SgFieldMngr::init();
    SgAttributeManager::GetAttributeManager();

    // Field containers, parents before children: the order fixes the class ids.
    SgFieldMngr::InitClass();
    SgNode::InitClass();
    SgGroup::InitClass();
    SgSwitch::InitClass();
    SgGizmoGroup::InitClass();
    SgSeparator::InitClass();
    // Modifier stack: the shape and modifier bases it passes results between
    // (their geometry and modifier subclasses register after them).
    SgShape::InitClass();
    SgModifier::InitClass();

    // Traversal state elements: registered before any action enables them,
    // in a fixed order that fixes their frame slots.
    SgElement::InitClasses();

    // Actions: after the node classes and elements they name, since each
    // completes its visitor table and enables its elements at start-up.
    SgAction::InitClass();
    SgApplyAction::InitClass();

    SgField::InitFieldClasses();
    RegisterFieldModules();
    // The field primitives and prelude macros join through LispAddStartupHook.
    LispInit();
    RxFunc::InitClasses();
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

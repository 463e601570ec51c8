#include "engine/SgNodara.h"

#include <cstdio>

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
                  "field containers: %d\nfunction objects: %d\nfields: %d\n",
                  SgFieldMngr::GetClassCount(), RxFunc::GetClassCount(), SgField::GetClassCount());
    return text;
}

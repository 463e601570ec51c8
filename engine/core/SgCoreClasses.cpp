#include "engine/core/SgCoreClasses.h"

#include "engine/core/FieldModule.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgApplyAction.h"
#include "engine/core/SgElement.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgShape.h"
#include "engine/core/SgSwitch.h"

void SgCoreClasses::RegisterNodeClasses()
{
    SgFieldMngr::InitClass();
    SgNode::InitClass();
    SgGroup::InitClass();
    SgSwitch::InitClass();
    SgGizmoGroup::InitClass();
    SgSeparator::InitClass();
    // The modifier stack's bases; their geometry and modifier subclasses
    // register in the layers above. The control modifier keeps the place
    // among the nodes layer's classes that it has always had, so that no id
    // moves (see SgNodeClasses).
    SgShape::InitClass();
    SgModifier::InitClass();
    SgModifierStack::RegisterReportPackage();
}

void SgCoreClasses::RegisterElementClasses()
{
    SgElement::InitClasses();
}

void SgCoreClasses::RegisterActionClasses()
{
    SgAction::InitClass();
    SgApplyAction::InitClass();
}

void SgCoreClasses::RegisterValueClasses()
{
    SgField::InitFieldClasses();
    RegisterFieldModules();
    RxFunc::InitClasses();
}

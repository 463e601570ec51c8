#include "solids/modifiers/SgModifierClasses.h"

#include "engine/core/SgModifierStack.h"
#include "solids/modifiers/SgBendModifier.h"
#include "solids/modifiers/SgDeformModifier.h"
#include "solids/modifiers/SgFFDBoxModifier.h"
#include "solids/modifiers/SgMeltModifier.h"
#include "solids/modifiers/SgObjSpaceModifier.h"
#include "solids/modifiers/SgPathModifier.h"
#include "solids/modifiers/SgTwistModifier.h"
#include "solids/modifiers/SgWaveModifier.h"

void SgModifierClasses::RegisterNodeClasses()
{
    SgObjSpaceModifier::InitClass();
    SgDeformModifier::InitClass();
    SgMeltModifier::InitClass();
    SgFFDBoxModifier::InitClass();
    SgWaveModifier::InitClass();
    SgTwistModifier::InitClass();
    SgBendModifier::InitClass();
    SgPathModifier::InitClass();
}

void SgModifierClasses::InstallHooks()
{
    SgModifierStack::m_procLastDeformed = &SgDeformModifier::ProcessLastDeforemd;
}

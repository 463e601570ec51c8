#pragma once
// A model of one box whose width is a formula over its parameter w, and
// instances of it.
#include <string>

#include "engine/core/SgFieldValue.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgTField.h"
#include "engine/engines/SgParametric.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgMaterial.h"

namespace parametrictest {

inline int DoubleFieldClass()
{
    return SgField::GetClassIDFromName("SgFDouble");
}

// The model: a red material and a cube (depth 0.4) whose width is `formula`
// over w; w also drives the cube's height directly.
inline SgParametricModel *BoxModel(const char *formula = "(* w 2)", double w = 1.0)
{
    auto *model = new SgParametricModel(true, true);
    auto *material = new SgMaterial;
    const Color red(1, 0, 0, 1);
    material->m_diffuseColor.SetVals(1, &red);
    model->AddChild(material);
    auto *cube = new SgCube;
    cube->m_depth = 0.4;
    model->AddChild(cube);
    model->addParam("w", DoubleFieldClass(), &w);
    model->connect("w", &cube->m_height, 0);
    model->addScript(&cube->m_width, formula);
    DxLispScript::buildScriptEngine(model);
    return model;
}

inline SgCube *CubeOf(SgParametricModel *model)
{
    return dynamic_cast<SgCube *>(model->GetInnerGroup()->GetChild(model->GetInnerGroup()->GetChildsCount() - 1));
}

inline SgParametricObject *Instance(SgParametricModel *model, double w, const Vec3 &at)
{
    auto *instance = new SgParametricObject(model);
    instance->setCurrentValue("w", &w, 0);
    instance->SetMove(at);
    return instance;
}

} // namespace parametrictest

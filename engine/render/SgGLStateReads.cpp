#include "engine/render/SgGLStateReads.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgModifierStackDisabler.h"
#include "engine/core/SgState.h"
#include "engine/core/SgShape.h"

int SgGLStateReads::MaterialBinding(SgAction *action)
{
    const int *binding = MaterialBindingElement::Get(action->GetState());
    return binding ? *binding : 0;
}

float SgGLStateReads::CreaseAngle(SgAction *action)
{
    const float *angle = CreaseAngleElement::Get(action->GetState());
    return angle ? *angle : CreaseAngleElement::s_DefaultValue;
}

SgVecField<Vec3, 7> *SgGLStateReads::Points(SgAction *action)
{
    return PointElement::Get(action->GetState());
}

SgVecField<int, 1> *SgGLStateReads::LayerFlags(SgAction *action)
{
    return LayerFlagsElement::Get(action->GetState());
}

int SgGLStateReads::TextureSources(SgAction *action, TextureSource (&units)[kMaxUnits])
{
    const TextureCoordsData &data = TextureCoordsElement::Get(action->GetState());
    const int count = data.unitCount < 0 ? 0 : (data.unitCount > kMaxUnits ? kMaxUnits : data.unitCount);
    for (int i = 0; i < count; ++i) {
        const TextureCoordsUnit &unit = data.units[i];
        TextureSource &out = units[i];
        out = TextureSource();
        // Function types up to 2 are GL's own generation (or none): the
        // coordinates then come from arrays. Higher ones are projections the
        // builder computes.
        out.mode = unit.funcType > 2 ? unit.funcType : 0;
        if (auto *field = dynamic_cast<SgVecField<Vec2f, 9> *>(unit.source)) {
            field->EvaluateAll();
            if (field->GetCount() > 0) {
                out.count = field->GetCount();
                out.coords = field->GetValueArray()->data();
            }
        }
    }
    return count;
}

void SgGLStateReads::SetDrawOver(SgAction *action, SgNode *node, int value)
{
    DrawOverElement::Set(action->GetState(), node, value);
}

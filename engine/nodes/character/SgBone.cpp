#include "engine/nodes/character/SgBone.h"

#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "engine/nodes/properties/SgTransform.h"

SG_CLASS_SOURCE(SgBone, SgPrizm, SgFieldMngr, "SgBone")

SgBone::SgBone()
{
    AddField(m_width, "width", 0.1);
    AddField(m_depth, "depth", 0.1);
    AddField(m_innerLimit, "innerLimit");
    AddField(m_outerLimit, "outerLimit");
    AddField(m_skinTransform, "skinTransform");
    const double inner = 0.25;
    const double outer = 0.5;
    m_innerLimit.SetVals(1, &inner);
    m_outerLimit.SetVals(1, &outer);
    auto *bindPose = new SgTransform;
    bindPose->SetMarked(true);
    SetQuietly(m_skinTransform, NodePtr(bindPose));
    SetQuietly(m_zeroBase, static_cast<unsigned short>(1));
    InstallCurve(new SgPolygon, kProfileSlot);
    InstallCurve(new SgPolyLine, kScaleSlot);
}

SgNode *SgBone::GetSkinTransform() const
{
    return dynamic_cast<SgTransform *>(m_skinTransform.Get(false).get());
}

void SgBone::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    const double w = m_width.Get() / 2;
    const double d = m_depth.Get() / 2;
    if (auto *profile = dynamic_cast<SgPolyLine *>(GetSlotNode(kProfileSlot))) {
        const Vec3 corners[4] = {{-w, -d, 0}, {w, -d, 0}, {w, d, 0}, {-w, d, 0}};
        profile->m_coordinates.SetVals(4, corners);
    }
    if (auto *scale = dynamic_cast<SgPolyLine *>(GetScale())) {
        // No size at the joints, full size a tenth of the way up.
        const Vec3 taper[3] = {{0, 0, 0}, {0.1, 1, 0}, {1, 0, 0}};
        scale->m_coordinates.SetVals(3, taper);
    }
    SgPrizm::DoExtrude(faceSet, action);
}

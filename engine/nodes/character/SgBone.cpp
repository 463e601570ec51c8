#include "engine/nodes/character/SgBone.h"

#include <vector>

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
    // Written only when they differ: a change notice from inside the build
    // would mark the result stale again at once.
    auto keep = [](SgPolyLine *curve, const std::vector<Vec3> &points) {
        if (curve && curve->m_coordinates.GetValues() != points)
            curve->m_coordinates.SetVals(int(points.size()), points.data());
    };
    keep(dynamic_cast<SgPolyLine *>(GetSlotNode(kProfileSlot)), {{-w, -d, 0}, {w, -d, 0}, {w, d, 0}, {-w, d, 0}});
    // No size at the joints, full size a tenth of the way up.
    keep(dynamic_cast<SgPolyLine *>(GetScale()), {{0, 0, 0}, {0.1, 1, 0}, {1, 0, 0}});
    SgPrizm::DoExtrude(faceSet, action);
}

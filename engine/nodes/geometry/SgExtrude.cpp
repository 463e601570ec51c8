#include "engine/nodes/geometry/SgExtrude.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/ExtrudeBuilder.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/core/SgAttributeManager.h"
#include "platform/SgDiagnostics.h"
#include "utilities/log/ReportMngr.h"
#include "utilities/math/Angles.h"

namespace {
} // namespace

SG_CLASS_SOURCE(SgExtrude, SgGeometricShape, SgFieldMngr, "SgExtrude")

int SgExtrude::s_iLoftCurveAttribute = -1;

int SgExtrude::RegisterLoftCurveAttribute()
{
    s_iLoftCurveAttribute =
        SgAttributeManager::GetAttributeManager()->AddAttribute("LoftCurve", CAttributeElement::TYPE_STRING, "");
    return s_iLoftCurveAttribute;
}

void SgExtrude::extrude(SgFaceSet *faceSet, ExtrudeParams *params, GenericPolyline *profile, GenericPolyline *path,
                        GenericPolyline *scale, GenericPolyline *scale2, double twist, double creaseAngle,
                        int segments, GenericPolyline *endProfile, int *, int pathMode)
{
    ExtrudeBuilder builder(faceSet, params, profile, path, scale, scale2, twist, creaseAngle, segments, endProfile,
                           pathMode);
    builder.Build();
}

int SgExtrude::ClampedCount(const SgNode *node, const char *field, int value, int minimum)
{
    if (value > kMaxCount) {
        // Shapes are built from the product of two such counts: a sphere of
        // 4000 segments would take gigabytes and minutes.
        SgDiagWarning("Geometry", "%s%s%s: \"%s\" %d is above %d; %d is used",
                      node ? node->GetClassName() : "shape", node && !node->GetName().empty() ? " " : "",
                      node ? node->GetName().c_str() : "", field, value, kMaxCount, kMaxCount);
        return kMaxCount;
    }
    if (value >= minimum)
        return value;
    SgDiagWarning("Geometry", "%s%s%s: \"%s\" %d is below %d; %d is used", node ? node->GetClassName() : "shape",
                  node && !node->GetName().empty() ? " " : "", node ? node->GetName().c_str() : "", field, value,
                  minimum, minimum);
    return minimum;
}

SgExtrude::SgExtrude()
{
    AddField(m_segments, "segments", 10);
    AddField(m_twistAngle, "twistAngle", 0.0f);
    AddField(m_cap0, "cap0", 1);
    AddField(m_cap1, "cap1", 1);
    AddField(m_textureMapType, "textureMapType", 1);
    AddField(m_rotateType, "rotateType", 0);
    AddField(m_crossSection, "crossSection", 0);
    AddField(m_mainPart, "mainPart", 1);
    AddField(m_capping, "capping", 0);
    AddField(m_crossSectionType, "crossSectionType", 0);
    AddField(m_autoTriangulation, "autoTriangulation", 1);
}

SgExtrude::~SgExtrude() = default;

void SgExtrude::DoAction(SgAction *action)
{
    DoBuildAction<SgFaceSet>(action, [this](SgFaceSet *mesh, SgAction *a) { DoExtrude(mesh, a); });
}

SgNode *SgExtrude::GetSlotNode(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_slots[slot].get() : nullptr;
}

void SgExtrude::SetPolyline(SgGenPolyLine *curve, int slot, bool add)
{
    SetSlotNode(curve, slot, add);
}

bool SgExtrude::SetProfileNode(SgNode *node, int slot, bool add)
{
    if (!node || !(node->IsDerivedFrom(SgGenPolyLine::ClassID()) || node->IsDerivedFrom(SgOffset::ClassID())))
        return false;
    SetSlotNode(node, slot, add);
    return true;
}

void SgExtrude::SetSlotNode(SgNode *node, int slot, bool add)
{
    if (slot < 0 || slot >= kSlotCount) {
        SgDiagWarning("Geometry", "%s: there is no curve slot %d (0..%d); the curve is not kept", GetClassName(), slot,
                      kSlotCount - 1);
        return;
    }
    // Held until the slot is rewritten: the separator may hold its only
    // other reference.
    const SgRef<SgNode> old = m_slots[slot];
    m_slots[slot] = node;
    SgSeparator *separator = GetSeparator();
    if (old && old.get() != node && separator) {
        bool named = false;
        for (const SgRef<SgNode> &other : m_slots)
            named = named || other.get() == old.get();
        if (!named)
            separator->DeleteChild(old.get());
    }
    // A curve already under the separator keeps its place.
    if (!add || !node || !separator || separator->IndexOf(node) >= 0)
        return;
    if (slot == kProfileSlot)
        separator->AddChildBefore(node, nullptr);
    else if (slot <= kEndProfileSlot)
        separator->AddChildAfter(node, m_slots[slot - 1].get());
    else
        separator->AddChildAfter(node, nullptr);
}

SgGenPolyLine *SgExtrude::GetPolyline(int slot)
{
    SgNode *node = GetSlotNode(slot);
    if (auto *offset = dynamic_cast<SgOffset *>(node))
        return dynamic_cast<SgGenPolyLine *>(offset->GetResultCache());
    return dynamic_cast<SgGenPolyLine *>(node);
}

SgGenPolyLine *SgExtrude::GetScale() const
{
    return dynamic_cast<SgGenPolyLine *>(GetSlotNode(kScaleSlot));
}

void SgExtrude::Update()
{
    SgSeparator *separator = GetSeparator();
    if (!separator)
        return;
    const int children = separator->GetChildsCount();
    for (int i = 0; i < children && i < kSlotCount; ++i)
        m_slots[i] = separator->GetChild(i);
}

SgGenPolyLine *SgExtrude::GetProfile()
{
    if (!m_slots[kProfileSlot])
        Update();
    return GetPolyline(kProfileSlot);
}

double SgExtrude::CreaseAngle(SgAction *action)
{
    const float *crease = action ? CreaseAngleElement::Get(action->GetState()) : nullptr;
    return crease ? *crease : CreaseAngleElement::s_DefaultValue;
}

void SgExtrude::InstallCurve(SgGenPolyLine *curve, int slot)
{
    curve->DisableUndo();
    SetPolyline(curve, slot, true);
}

void SgExtrude::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    SgGenPolyLine *profile = GetProfile();
    GenericPolyline *path = m_params.pathOverride ? m_params.pathOverride : GetSpine();
    SgGenPolyLine *scale = GetScale();
    SgGenPolyLine *endProfile = GetEndProfile();
    auto *scale2 = dynamic_cast<SgGenPolyLine *>(GetSlotNode(kScale2Slot));

    // An offset profile that was never built is built now, in this state.
    if (!profile && action) {
        if (auto *offset = dynamic_cast<SgOffset *>(GetSlotNode(kProfileSlot))) {
            offset->DoAction(action);
            profile = dynamic_cast<SgGenPolyLine *>(offset->GetResultCache());
        }
    }
    if (!path || !profile || !faceSet)
        return;

    const double crease = CreaseAngle(action);
    ExtrudeParams params = m_params;
    params.textureMapType = m_textureMapType.Get();
    params.rotateType = m_rotateType.Get();
    params.cap0 = m_cap0.Get();
    params.cap1 = m_cap1.Get();
    params.capping = m_capping.Get();
    params.crossSectionType = m_crossSectionType.Get();
    params.autoTriangulation = m_autoTriangulation.Get();
    params.crossSection = m_crossSection.Get() != 0;
    params.mainPart = m_mainPart.Get() != 0;

    extrude(faceSet, &params, profile, path, scale, scale2, m_twistAngle.Get() * kDegree, crease, m_segments.Get(),
            endProfile, nullptr, ExtrudeBuilder::kPathAuto);
}

int SgExtrude::s_iReportPackage = -1;

void SgExtrude::RegisterReportPackage()
{
    if (ReportMngr *manager = ReportMngr::getInstance())
        s_iReportPackage = manager->AddPackage("Extrude");
}
